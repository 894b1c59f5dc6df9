#include "tools/BrowseCommands.h"

#include "display/CommonDialog.h"
#include "display/Messages.h"
#include "fs/CreaCartelle.h"
#include "fs/FailureTail.h"
#include "fs/TrimBlanks.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"

#include <QLineEdit>

void Command3_Click(const FormControls& form) {
    if (trimBlanks(form.Text1->text()).toUpper().startsWith(QStringLiteral("HTTP://"))) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Non posso usare il Pulsante Sfoglia con siti Internet !"));
        return;
    }

    // Every step runs with failures ignored: a step that fails is skipped silently.
    CommonDialog& dialog = *form.CommonDialog1;
    LastError ignored;
    skipOnFailure(ignored, [&] { dialog.Filter = QStringLiteral("Pagine Internet (*.HTM)|*.HTM"); });
    skipOnFailure(ignored, [&] { dialog.DefaultExt = QStringLiteral("*.HTM"); });
    skipOnFailure(ignored, [&] { dialog.FileName = form.Text1->text(); });
    bool confirmed = true;
    skipOnFailure(ignored, [&] { confirmed = dialog.ShowOpen(); });
    if (!confirmed)
        return; // cancelled: the address box keeps its text
    skipOnFailure(ignored, [&] { form.Text1->setText(dialog.FileName); });
}

void cmdSFOGLIA2_Click(const FormControls& form) {
    CommonDialog& dialog = *form.CommonDialog1;
    QString path;
    try {
        dialog.Filter = QStringLiteral("*.*|*.*");
        dialog.DefaultExt = QStringLiteral("*.*");
        dialog.FileName = form.Text3->text();
        if (!dialog.ShowOpen())
            return; // cancelled: nothing created, the box keeps its text
        path = dialog.FileName;
    } catch (const RunError& e) {
        // The dialog would not take its settings (a destination it cannot show, for one).
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Errore nella scelta della cartella di destinazione: ") +
                         failureTail(QString(), e.Number, e.Description));
        return;
    }

    form.Text3->setText(path);
    if (CREA_CARTELLE(path))
        Messages::MsgBox(QStringLiteral("OK - Create le cartelle e sotto-cartelle: ") + path);
    else
        Messages::MsgBox(QStringLiteral("Errore !!! - Non riesco a creare le cartelle: ") + path);
}
