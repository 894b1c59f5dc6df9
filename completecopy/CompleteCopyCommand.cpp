#include "completecopy/CompleteCopyCommand.h"
#include "copier/CopyInputs.h"
#include "completecopy/CopyReport.h"
#include "completecopy/CopyState.h"
#include "completecopy/TransferScheduler.h"
#include "copier/InsideDestination.h"
#include "copier/LevelValue.h"
#include "completecopy/address/SiteAddress.h"
#include "display/Messages.h"
#include "fs/RunningMark.h"
#include "display/WebBrowser.h"
#include "fs/DoEvents.h"
#include "fs/ErrorCodes.h"
#include "fs/FailureTail.h"
#include "reader/NormalizzaUrl.h"
#include "reader/SharedState.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>

namespace {

// How often the copy's progress is told while it runs.
constexpr int kProgressEveryMs = 250;

QString sizeText(qint64 bytes) {
    return QLocale(QLocale::Italian).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace

CompleteCopyCommand::CompleteCopyCommand(const FormControls& form) : m_form(form) {}

void CompleteCopyCommand::start() {
    if (m_running)
        return;
    const RunningMark running(m_running);
    copy();
}

void CompleteCopyCommand::stop() {
    if (m_crawl)
        m_crawl->stop();
}

void CompleteCopyCommand::copy() {
    const FormControls& f = m_form;
    m_ending = Ending::Stopped;
    m_counts = CompleteCopyCounts();
    m_reportFile.clear();

    const QString typed = checkCopyInputs(f);
    if (typed.isEmpty())
        return;
    const QString root = f.state->WPATH_DEST;
    m_destination.setRoot(root);

    // Only a web address can be copied whole.
    const QUrl start = normalisedAddress(QUrl(NORMALIZZA_URL(typed), QUrl::TolerantMode));
    if (!start.isValid() || (start.scheme() != u"http" && start.scheme() != u"https") || start.host().isEmpty()) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Indicare un indirizzo Internet !!!"));
        return;
    }

    CopyReport report;
    const QString reportFile = root + CopyReport::kFileName;
    if (!report.open(resolvedPath(reportFile), start.toString(QUrl::FullyEncoded), resolvedPath(root), f.Text2->text())) {
        Messages::Beep();
        Messages::MsgBox(QStringLiteral("Errore in registrazione file ") + reportFile +
                         failureTail(QStringLiteral("ERR: "), report.errorNumber(),
                                     ErrorCodes::descrizione(report.errorNumber())));
        return;
    }
    m_reportFile = reportFile;

    // An earlier complete copy of the same site in this folder is brought up to date.
    CopyState state;
    const CopyState::Loaded loaded = state.load(root, start.toString(QUrl::FullyEncoded));
    m_stateNote.clear();
    if (loaded == CopyState::Loaded::Damaged)
        m_stateNote = QStringLiteral("Stato della copia precedente illeggibile: copia da capo");
    else if (loaded == CopyState::Loaded::OtherStart)
        m_stateNote = QStringLiteral("La copia precedente era di ") + state.otherStart() + QStringLiteral(": copia da capo");
    else if (loaded == CopyState::Loaded::Usable)
        report.note(m_options.refetch ? QStringLiteral("aggiornamento: ogni file richiesto di nuovo")
                                      : QStringLiteral("aggiornamento: richiesti solo i file cambiati"));
    if (!m_stateNote.isEmpty())
        report.note(m_stateNote);
    if (!state.begin())
        report.note(QStringLiteral("stato della copia non registrabile in ") + resolvedPath(root));

    // A shown copy watches what the browser pane asks for while it shows each page.
    const bool shown = f.WebBrowser1->showsPages();
    if (shown)
        f.WebBrowser1->watchRequests(&m_paneLog);
    m_paneLog.take();
    QElapsedTimer clock;
    clock.start();
    // The copy's transfers take the window's Internet settings from the transfer
    // component, several at a time.
    TransferScheduler transfers(*f.Inet1);
    std::optional<CompleteCrawl::StartFailure> failure;
    {
        CompleteCrawl crawl(f, transfers, m_destination, report, state, loaded == CopyState::Loaded::Usable, m_options,
                            m_observer, shown ? &m_paneLog : nullptr);
        // How far it has come, told a few times a second while it runs.
        QTimer progress;
        QObject::connect(&progress, &QTimer::timeout, [&] {
            if (m_progressObserver)
                m_progressObserver(crawl.progress());
        });
        progress.start(kProgressEveryMs);
        m_crawl = &crawl;
        failure = crawl.run(start, levelValue(f.Text2->text()));
        m_crawl = nullptr;
        progress.stop();
        m_counts = crawl.counts();
        if (m_progressObserver)
            m_progressObserver(crawl.progress());
    }
    if (shown)
        f.WebBrowser1->watchRequests(nullptr);
    // The address box showed each address in turn; it shows the site copied again, so
    // that the same copy can be run again (an update) as it was asked for.
    f.Text1->setText(typed);

    if (failure) {
        report.close(QStringLiteral("fine"), QStringLiteral("pagina iniziale non copiata: %1 - %2")
                                             .arg(failure->error.Number)
                                             .arg(failure->error.Description));
        Messages::Beep();
        if (failure->saving)
            Messages::MsgBox(QStringLiteral("Errore in registrazione file ") + failure->file +
                             failureTail(QStringLiteral("ERR: "), failure->error.Number, failure->error.Description));
        else
            Messages::MsgBox(QStringLiteral("Errore nella lettura del sorgente .HTML !!! ") +
                             failureTail(QString(), failure->error.Number, failure->error.Description));
        return;
    }
    const CompleteCopyCounts& c = m_counts;
    // A copy stopped before its end says so on its last line.
    report.close(c.interrupted ? QStringLiteral("interrotta") : QStringLiteral("fine"),
                 QStringLiteral("file=%1 byte=%2 nuovi=%3 cambiati=%4 invariati=%5 spariti=%6 pagine=%7 errori=%8 "
                                "esclusi=%9 dal_browser=%10 secondi=%11")
                     .arg(c.files)
                     .arg(c.bytes)
                     .arg(c.newFiles)
                     .arg(c.changed)
                     .arg(c.unchanged)
                     .arg(c.gone)
                     .arg(c.pages)
                     .arg(c.failures)
                     .arg(c.leftOut)
                     .arg(c.fromPane)
                     .arg(QString::number(clock.nsecsElapsed() / 1e9, 'f', 3)));
    m_ending = c.interrupted ? Ending::Interrupted : c.limitReached ? Ending::LimitReached : Ending::Finished;
    Messages::MsgBox(closingText());
    DoEvents();
}

QString CompleteCopyCommand::closingText() const {
    const CompleteCopyCounts& c = m_counts;
    QString text = c.interrupted ? QStringLiteral("Copia Sito Internet Interrotta !!!\r\r")
                                 : QStringLiteral("Copia Sito Internet Terminata !!!\r\r");
    if (c.interrupted)
        text += QStringLiteral("La prossima \"Copia sito\" con \"Copia completa\" la riprende da dove si è fermata "
                               "(%1 indirizzi in attesa)\r")
                    .arg(c.waiting);
    if (c.limitReached)
        text += QStringLiteral("Raggiunto il limite di %1 file: copia interrotta\r").arg(m_options.maxFiles);
    if (!m_stateNote.isEmpty())
        text += m_stateNote + u'\r';
    text += QStringLiteral("File copiati: %1 (%2)\r").arg(c.files).arg(sizeText(c.bytes));
    text += QStringLiteral("Nuovi: %1, cambiati: %2, invariati: %3, spariti: %4\r")
                .arg(c.newFiles)
                .arg(c.changed)
                .arg(c.unchanged)
                .arg(c.gone);
    text += QStringLiteral("Non riusciti: %1\r").arg(c.failures);
    text += QStringLiteral("Esclusi: %1\r").arg(c.leftOut);
    text += QStringLiteral("Resoconto: ") + resolvedPath(m_reportFile);
    return text;
}
