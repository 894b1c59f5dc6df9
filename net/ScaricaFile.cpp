#include "net/ScaricaFile.h"

#include "fs/DoEvents.h"
#include "fs/ReplaceFile.h"
#include "net/ImpostaInternet.h"
#include "net/Inet.h"

void Scarica_File_2(Inet& inet, const InternetSettings& boxes, const QString& htmPage, const QString& Nome_File) {
    IMPOSTA_INTERNET(inet, boxes);
    const QByteArray bytes = inet.OpenURL(htmPage, 1);
    DoEvents();
    replaceFile(Nome_File, bytes);
}
