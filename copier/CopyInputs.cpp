#include "copier/CopyInputs.h"
#include "display/Messages.h"
#include "fs/CreaCartelle.h"
#include "fs/TrimBlanks.h"
#include "reader/NormalizzaDest.h"
#include "reader/SharedState.h"

#include <QLineEdit>

QString checkCopyInputs(const FormControls& f) {
    SharedState& s = *f.state;
    const QString address = trimBlanks(f.Text1->text());
    if (address.isEmpty()) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Indicare un indirizzo Internet !!!"));
        return QString();
    }
    s.WPATH_DEST = trimBlanks(f.Text3->text());
    if (s.WPATH_DEST.isEmpty()) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Indicare la Path di destinazione del sito da copiare !!!"));
        return QString();
    }
    s.WPATH_DEST = NORMALIZZA_DEST(s.WPATH_DEST);
    if (!CREA_CARTELLE(s.WPATH_DEST)) {
        Messages::MsgBox(QStringLiteral("Errore !!! - Non riesco a creare le cartelle: ") + s.WPATH_DEST);
        return QString();
    }
    return address;
}
