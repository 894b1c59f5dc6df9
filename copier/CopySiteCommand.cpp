#include "copier/CopySiteCommand.h"
#include "copier/CopyInputs.h"
#include "copier/CrawlTable.h"
#include "copier/UpperCased.h"
#include "display/Messages.h"
#include "fs/RunningMark.h"
#include "fs/DoEvents.h"
#include "fs/RicavaPath.h"
#include "reader/DividiUrl.h"
#include "reader/OpenPageCommand.h"
#include "reader/SharedState.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

// The tail of this command's failure messages: two CR, "ERR: ", number, description.
QString errorTail(const RunError& e) {
    return QStringLiteral("\r\rERR: ") + QString::number(e.Number) + QStringLiteral(" - ") + e.Description;
}

} // namespace

CopySiteCommand::CopySiteCommand(const FormControls& form, OpenPageCommand& openPage, CrawlTable& table)
    : m_form(form), m_openPage(openPage), m_table(table), m_crawl(form, openPage, table, m_destination) {}

void CopySiteCommand::Command4_Click() {
    // A copy started in the middle of another would reset the table and the level
    // under the running one; one started while a page is being opened would find the
    // open-page command busy. Both are refused quietly.
    if (m_running || m_openPage.running())
        return;
    const RunningMark running(m_running);
    copy();
}

void CopySiteCommand::copy() {
    const FormControls& f = m_form;
    SharedState& s = *f.state;
    m_ending = Ending::Stopped;

    const QString address = checkCopyInputs(f);
    if (address.isEmpty())
        return;
    // Nothing of this copy is written outside the folder it was given.
    m_destination.setRoot(s.WPATH_DEST);

    // The folder of the start address is the site root for the whole copy.
    s.WURL = address;
    DIVIDI_URL(s);
    s.WURL_ROOT = s.WURL_DIR;

    m_openPage.Command1_Click();
    // A start page that is missing or could not be fetched has been reported by the
    // open-page command; there is nothing to save or to crawl.
    if (m_openPage.lastOutcome() != OpenPageCommand::Outcome::Found) {
        m_crawl.report(0, f.Text1->text(), QString(), nullptr);
        return;
    }

    if (s.WURL_FILE.toLower() != QLatin1String("index.htm")) {
        RICAVA_PATH(s.WURL_DIR, address);
        s.WURL_FILE = address.mid(s.WURL_DIR.size());
    }
    const QString startFile = s.WPATH_DEST + s.WURL_FILE;

    const QString upper = upperCased(startFile);
    if (f.Check3->checkState() == Qt::Checked &&
        (upper.contains(QLatin1String("HTM")) ||
         (!upper.contains(QLatin1String("JPG")) && !upper.contains(QLatin1String("GIF"))))) {
        try {
            m_destination.saveSource(*f.RichTextBox1, startFile);
            m_crawl.report(0, f.Text1->text(), startFile, nullptr);
        } catch (const RunError& e) {
            m_crawl.report(0, f.Text1->text(), QString(), &e);
            Messages::Beep();
            Messages::MsgBox(QStringLiteral("Errore in registrazione file ") + startFile + errorTail(e));
            return;
        }
    } else {
        m_crawl.report(0, f.Text1->text(), QString(), nullptr);
    }

    m_table.AZZERA_RIF(startFile);
    QString folder;
    RICAVA_PATH(folder, startFile);
    QString name = startFile.mid(folder.size());
    try {
        m_crawl.SUB_ELAB_LIV(folder, name);
    } catch (const CrawlEnded& e) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Errore in lettura file: ") + startFile + errorTail(e));
    }

    if (m_table.N_RIF > CrawlTable::kLastSlot) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Superato limite max N_RIF%>2000 !!!"));
        m_ending = Ending::LimitReached;
    } else {
        Messages::MsgBox(QStringLiteral("Copia Sito Internet Terminata !!!"));
        m_ending = Ending::Finished;
    }
    DoEvents();
}
