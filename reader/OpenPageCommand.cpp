#include "reader/OpenPageCommand.h"

#include "display/BrowserWait.h"
#include "display/ImageBox.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include "fs/DoEvents.h"
#include "fs/FailureTail.h"
#include "fs/TimeSpent.h"
#include "fs/TrimBlanks.h"
#include "net/ImpostaInternet.h"
#include "net/Inet.h"
#include "net/ScaricaFile.h"
#include "reader/ContentTests.h"
#include "reader/DividiUrl.h"
#include "reader/NormalizzaDest.h"
#include "reader/NormalizzaUrl.h"
#include "reader/SharedState.h"
#include "reader/SorgenteDaByte.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A check box counts as ticked only when its value is 1.
bool ticked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

InternetSettings settingsBoxes(const FormControls& f) {
    return {f.txtLOGIN->text(), f.txtPASSWORD->text(), f.txtPROXY->text(), f.txtPORTA->text()};
}

// Re-enables the button and clears the running mark however the run ends.
struct EndOfRun {
    QPushButton* button;
    bool& running;
    ~EndOfRun() {
        DoEvents();
        button->setEnabled(true);
        running = false;
    }
};

} // namespace

OpenPageCommand::OpenPageCommand(const FormControls& form) : m_form(form) {}

void OpenPageCommand::Command1_Click() {
    // A second start while a run is yielding (the Enter key, or a caller) is refused
    // quietly: two runs would write the shared state at once.
    if (m_running)
        return;

    const FormControls& f = m_form;
    SharedState& s = *f.state;
    Inet& inet = *f.Inet1;
    m_download.clear();

    QString address = trimBlanks(f.Text1->text());
    if (address.isEmpty()) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Indicare un indirizzo Internet !!!"));
        m_outcome = Outcome::NotRun;
        return;
    }

    address = NORMALIZZA_URL(address);
    f.Text1->setText(address);

    m_running = true;
    f.Command1->setEnabled(false);
    EndOfRun end{f.Command1, m_running};

    inet.Cancel();
    LastError last;
    // A port that cannot be applied stops the run before anything is fetched, and
    // is reported like any other failure to read the page.
    const InternetSettings boxes = settingsBoxes(f);
    if (!skipOnFailure(last, [&] { IMPOSTA_INTERNET(inet, boxes); })) {
        reportFetchFailure(last);
        return;
    }
    DoEvents();

    // Show the page in the browser pane, unless it is an image.
    last.Clear();
    if (!passesImageTest(address)) {
        skipOnFailure(last, [&] {
            f.WebBrowser1->Navigate(address);
            yieldWhileBusy(f.WebBrowser1);
        });
    }

    // Fetch the bytes; a failed navigation is forgotten, only the fetch is reported.
    last.Clear();
    DoEvents();
    QByteArray bytes;
    skipOnFailure(last, [&] { bytes = inet.OpenURL(address, 1); });
    if (last.isSet()) {
        reportFetchFailure(last);
        return;
    }

    QString source;
    DoEvents();
    s.WNOT_FOUND = 0;
    if (bytes.size() < 2) {
        s.WNOT_FOUND = 1;
        m_outcome = Outcome::NotFound;
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Pagina non trovata !!!  ") + address);
        return;
    }

    const bool showSource = ticked(f.Check3);
    if (showSource && (passesHtmTest(address) || !passesImageTest(address))) {
        const SourceText built =
            SORGENTE_DA_BYTE(bytes, ticked(f.Check1), ticked(f.Check2), passesHtmTest(address));
        if (!built.found) {
            s.WNOT_FOUND = 1;
            Messages::Beep();
            Messages::MsgBox(QStringLiteral("Pagina non trovata !!! ") + address);
        } else {
            source = built.text;
        }
        s.WURL = inet.URL();
    } else {
        s.WURL = address;
    }

    if (s.WNOT_FOUND == 1) {
        m_outcome = Outcome::NotFound;
        return;
    }

    if (DIVIDI_URL(s))
        COMPLETA_URL(s);
    m_outcome = Outcome::Found;

    if (showSource && passesHtmTest(s.WURL_FILE)) {
        f.RichTextBox1->setText(source);
        f.RichTextBox1->Refresh();
        return;
    }

    // Download branch: the file goes into the destination folder under its own name.
    // No folder is created; a failed download goes unreported.
    s.WPATH_DEST = NORMALIZZA_DEST(f.Text3->text());
    const QString destination = s.WPATH_DEST + s.WURL_FILE;
    const bool downloaded =
        skipOnFailure(last, [&] { Scarica_File_2(inet, settingsBoxes(f), s.WURL, destination); });
    if (downloaded)
        m_download = destination;
    // Preview only what this run downloaded, never an older file of the same name.
    if (downloaded && ticked(f.Check4))
        skipOnFailure(last, [&] { f.Image1->setPicture(LoadPicture(destination)); });
    DoEvents();
}

void OpenPageCommand::reportFetchFailure(const LastError& failure) {
    m_outcome = Outcome::Failed;
    m_fetchError = failure;
    Messages::Beep();
    Messages::MsgBox(QStringLiteral("Errore nella lettura del sorgente .HTML !!! ") +
                     failureTail(QString(), failure.Number, failure.Description));
}
