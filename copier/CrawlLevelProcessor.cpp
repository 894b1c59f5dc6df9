#include "copier/CrawlLevelProcessor.h"
#include "copier/CrawlTable.h"
#include "copier/DestinationTree.h"
#include "copier/EstraiHref.h"
#include "copier/LevelValue.h"
#include "copier/PageLineReader.h"
#include "copier/ReferencePaths.h"
#include "copier/UpperCased.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "fs/DoEvents.h"
#include "fs/NativePath.h"
#include "fs/RicavaPath.h"
#include "fs/TemporaryFiles.h"
#include "fs/TrimBlanks.h"
#include "reader/NormalizzaDest.h"
#include "reader/OpenPageCommand.h"
#include "reader/SharedState.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

// References a page may hand to the crawl, and the attempts at opening a page file.
constexpr int kReferencesPerPage = 2000;
constexpr int kOpenAttempts = 3;

bool namesPageOrImage(const QString& reference) {
    const QString upper = upperCased(reference);
    return upper.contains(QLatin1String(".HTM")) || upper.contains(QLatin1String(".GIF")) ||
           upper.contains(QLatin1String(".JPG"));
}

// The name to try next after a page file was not found: a bare name is looked for in
// the page's folder; a name with separators loses its leading steps.
QString nextAttempt(const QString& WDIR, const QString& WHREF) {
    if (!hasFolderPart(WHREF))
        return WDIR + WHREF;
    const qsizetype firstSlash = WHREF.indexOf(QLatin1Char('/')) + 1; // 1-based, 0 when none
    QString next = WHREF;
    if (const qsizetype backslash = next.indexOf(QLatin1Char('\\')); backslash >= 0)
        next = next.mid(backslash + 1);
    if (firstSlash > 0)
        next = next.mid(firstSlash);
    return next;
}

} // namespace

CrawlLevelProcessor::CrawlLevelProcessor(const FormControls& form, OpenPageCommand& openPage,
                                         CrawlTable& table, const DestinationTree& destination)
    : m_form(form), m_openPage(openPage), m_table(table), m_destination(destination) {
    // A program that ends at once runs no destructor: the working folder goes with the
    // other temporary files.
    if (m_workingFolder.isValid())
        TemporaryFiles::add(m_workingFolder.path());
}

CrawlLevelProcessor::~CrawlLevelProcessor() {
    if (m_workingFolder.isValid())
        TemporaryFiles::forget(m_workingFolder.path());
}

QString CrawlLevelProcessor::hostPathOf(const QString& name) const {
    if (hasFolderPart(name))
        return nativePath(name);
    // Without a working folder of its own the crawl looks nowhere for a bare name.
    if (!m_workingFolder.isValid())
        return QString();
    return m_workingFolder.filePath(name);
}

void CrawlLevelProcessor::SUB_ELAB_LIV(QString& WDIR, QString& WHREF) {
    SharedState& s = *m_form.state;
    try {
        m_table.WLIVELLO = incremented(m_table.WLIVELLO);
    } catch (const RunError& e) {
        throw CrawlEnded(e);
    }
    // The page's own folder on the site and on the disk, as this call begins: a
    // reference without a folder part is fetched from the one and saved in the other.
    const QString pageUrlDir = s.WURL_DIR;
    const QString pageDest = s.WPATH_DEST;

    if (levelValue(m_form.Text2->text()) >= m_table.WLIVELLO) {
        QStringList HREF_PAG;
        if (readPage(WDIR, WHREF, HREF_PAG))
            followReferences(WDIR, HREF_PAG, pageUrlDir, pageDest);
    }
    leaveLevel();
}

bool CrawlLevelProcessor::readPage(QString& WDIR, QString& WHREF, QStringList& HREF_PAG) {
    // The file is open only while it is read; it is closed whichever way reading ends.
    PageLineReader page;
    for (int attempt = 1;; ++attempt) {
        const QString path = hostPathOf(WHREF);
        const PageLineReader::Open opened = path.isEmpty() ? PageLineReader::Open::Missing : page.open(path);
        if (opened == PageLineReader::Open::Opened) {
            if (m_observer)
                m_observer({CopyEvent::Kind::PageRead, m_table.WLIVELLO, QString(), WHREF, QString()});
            break;
        }
        if (opened == PageLineReader::Open::Refused || attempt >= kOpenAttempts)
            return false;
        WHREF = nextAttempt(WDIR, WHREF);
    }

    try {
        QString line;
        do {
            if (!page.readLine(line))
                return false; // an empty or unreadable file: none of its references
            // One upper-cased form of the line serves the end test and the extraction.
            const QString upper = upperCased(line);
            if (upper.contains(QLatin1String("</HTML>")))
                break;
            const std::optional<QString> reference = ESTRAI_HREF(line, upper);
            if (!reference)
                continue;
            // Shown afresh only when it changes: a repaint for every reference costs.
            if (const QString level = QString::number(m_table.WLIVELLO); m_form.txtLIVELLO->text() != level)
                m_form.txtLIVELLO->setText(level);
            if (HREF_PAG.size() >= kReferencesPerPage) {
                Messages::Beep();
                Messages::MsgBox(QStringLiteral("Superato limite max 2000 HREF trovati !!!"));
                break;
            }
            HREF_PAG.append(trimBlanks(*reference));
            if (!m_table.AGGIUNGI_RIF(*reference))
                return false; // the copy's table is full: none of this page's references
            DoEvents();
        } while (!page.atEnd());
    } catch (const RunError&) {
        return false;
    }
    return true;
}

void CrawlLevelProcessor::followReferences(QString& WDIR, QStringList& HREF_PAG, const QString& pageUrlDir,
                                           const QString& pageDest) {
    SharedState& s = *m_form.state;
    // Until a reference of this page reaches its folder, a failure ends only this
    // level, quietly; from then on it ends the whole crawl.
    bool written = false;
    for (QString& reference : HREF_PAG) {
        try {
            if (!namesPageOrImage(reference))
                continue;
            // Parent steps go before anything is taken from the reference, so that no
            // folder part can climb out of the destination.
            const bool folderPart = hasFolderPart(reference);
            const QString clean = withoutParentSteps(reference);
            if (folderPart) {
                RICAVA_PATH(WDIR, clean);
                WDIR.replace(QLatin1Char('/'), QLatin1Char('\\'));
                s.WPATH_DEST = NORMALIZZA_DEST(m_form.Text3->text()) + WDIR;
            }
            if (m_table.PRENDI_RIF(reference) == CrawlTable::Lookup::Refused)
                continue;
            const QString base = folderPart ? s.WURL_ROOT : pageUrlDir;
            reference = clean;
            WDIR = composeAddress(base, reference);
            if (WDIR.isEmpty()) {
                Messages::Beep();
                Messages::MsgBox(QStringLiteral("Non ci sono piu' riferimenti HREF da elaborare !!!"));
                continue;
            }

            m_form.Text1->setText(WDIR);
            m_openPage.Command1_Click();
            // Missing, or not fetched at all: the command has said so; nothing of what
            // an earlier fetch left behind is saved.
            if (m_openPage.lastOutcome() != OpenPageCommand::Outcome::Found) {
                report(m_table.WLIVELLO, WDIR, QString(), nullptr);
                continue;
            }
            const QString address = WDIR;

            s.WPATH_DEST = folderPart ? localFolder(m_form.Text3->text(), reference) : pageDest;
            const QString localFile = s.WPATH_DEST + s.WURL_FILE;
            written = true;
            m_destination.createFolder(s.WPATH_DEST);
            if (m_form.Check3->checkState() == Qt::Checked && upperCased(localFile).contains(QLatin1String("HTM"))) {
                try {
                    m_destination.saveSource(*m_form.RichTextBox1, localFile);
                    report(m_table.WLIVELLO, address, localFile, nullptr);
                } catch (const RunError& e) {
                    // A page that cannot be saved is not there to crawl; the copy goes on.
                    report(m_table.WLIVELLO, address, QString(), &e);
                }
            } else {
                report(m_table.WLIVELLO, address, QString(), nullptr);
            }
            RICAVA_PATH(WDIR, localFile);
            QString name = filePart(reference);
            SUB_ELAB_LIV(WDIR, name);
        } catch (const CrawlEnded&) {
            throw;
        } catch (const RunError& e) {
            if (written)
                throw CrawlEnded(e);
            return;
        }
    }
}

void CrawlLevelProcessor::report(int level, const QString& address, const QString& savedFile,
                                 const RunError* saveFailure) const {
    if (!m_observer)
        return;
    CopyEvent event{CopyEvent::Kind::Written, level, address, savedFile, QString()};
    const auto failed = [&](int number, const QString& description) {
        event.kind = CopyEvent::Kind::Failed;
        event.failure = QString::number(number) + QStringLiteral(" - ") + description;
    };
    switch (m_openPage.lastOutcome()) {
    case OpenPageCommand::Outcome::NotFound:
        event.kind = CopyEvent::Kind::Missing;
        break;
    case OpenPageCommand::Outcome::Failed:
        failed(m_openPage.lastFetchError().Number, m_openPage.lastFetchError().Description);
        break;
    case OpenPageCommand::Outcome::NotRun:
        failed(0, QStringLiteral("non aperto"));
        break;
    case OpenPageCommand::Outcome::Found:
        if (saveFailure)
            failed(saveFailure->Number, saveFailure->Description);
        else if (event.file.isEmpty())
            event.file = m_openPage.lastDownload();
        if (!saveFailure && event.file.isEmpty())
            failed(0, QStringLiteral("non scaricato"));
        break;
    }
    m_observer(event);
}

void CrawlLevelProcessor::leaveLevel() {
    SharedState& s = *m_form.state;
    m_table.WLIVELLO = qint16(m_table.WLIVELLO - 1);
    s.WURL_DIR = s.WURL_ROOT;
    s.WPATH_DEST = NORMALIZZA_DEST(m_form.Text3->text());
}
