#include "tools/SaveSourceCommand.h"

#include "display/CommonDialog.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "fs/FailureTail.h"
#include "fs/RunError.h"
#include "fs/TrimBlanks.h"
#include "reader/FormControls.h"
#include "reader/SharedState.h"
#include "tools/ProposedSaveName.h"

#include <QLineEdit>

void cmdREGISTRA_Click(const FormControls& form) {
    const QString address = form.Text1->text();
    // Blanks only: nothing to name the file after, so nothing to do.
    if (trimBlanks(address).isEmpty())
        return;

    CommonDialog& dialog = *form.CommonDialog1;
    dialog.FileName = proposedSaveName(address, form.state->WPATH_DEST);

    // A dialog that cannot be shown and a save that fails end in the same message;
    // a cancelled dialog saves nothing and says nothing.
    LastError failure;
    bool confirmed = false;
    skipOnFailure(failure, [&] { confirmed = dialog.ShowSave(); });
    if (!failure.isSet() && !confirmed)
        return;
    if (!failure.isSet())
        skipOnFailure(failure, [&] { form.RichTextBox1->SaveFile(dialog.FileName, 1); });

    if (failure.isSet()) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Errore in registrazione sorgente: ") +
                         failureTail(QStringLiteral("ERR:"), failure.Number, failure.Description));
    }
}
