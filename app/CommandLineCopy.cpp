#include "app/CommandLineCopy.h"
#include "app/Form3.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "completecopy/CompleteCopyCommand.h"
#include "copier/CopySiteCommand.h"
#include "copier/CopyEvent.h"
#include "copier/InsideDestination.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include "fs/TimeSpent.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>

namespace {

std::string text(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

QString seconds(qint64 nanoseconds) {
    return QString::number(double(nanoseconds) / 1e9, 'f', 3);
}

} // namespace

bool copyShowsWindow(const CommandLine::CopyRequest& request) {
    return !request.hidden && QGuiApplication::platformName() != QLatin1String("offscreen");
}

int runCommandLineCopy(Form3& form, const CommandLine::CopyRequest& request, std::ostream& out,
                       std::ostream& err) {
    // Nobody sees the browser pane of a hidden window: it loads nothing.
    form.WebBrowser1->setShowsPages(form.isVisible());
    form.RichTextBox1->setShowsText(form.isVisible()); // nor its source pane: the text without a document
    form.Text1->setText(QString::fromLocal8Bit(request.address));
    form.Text3->setText(QString::fromLocal8Bit(request.destination));
    if (request.level)
        form.Text2->setText(QString::fromLocal8Bit(*request.level));
    form.Check3->setChecked(!request.withoutSource);
    form.Check5->setChecked(request.complete);
    if (request.complete) {
        CompleteCopyOptions options;
        if (request.maxFiles)
            options.maxFiles = *request.maxFiles;
        options.waitSeconds = request.waitSeconds;
        options.ignoreRobots = request.ignoreRobots;
        options.refetch = request.refetch;
        if (request.connections)
            options.connections = *request.connections;
        options.asServed = request.asServed;
        form.completeCopy().setOptions(options);
    }

    // At a terminal a complete copy shows its progress on one line of standard error,
    // and Ctrl+C or SIGTERM stop it cleanly.
    TerminalProgress progress(err, request.complete && TerminalProgress::standardErrorIsTerminal());
    int stoppedWith = 0;
    if (request.complete) {
        form.setCopyProgressListener([&progress](const CopyProgress& p) { progress.update(p); });
        StopSignals::watch([&form, &stoppedWith](int code) {
            stoppedWith = code;
            form.completeCopy().stop();
        });
    }

    Messages::setScript([&](const Messages::Event& e) {
        if (e.kind != Messages::Event::Box)
            return;
        progress.finish();
        QString shown = e.text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        err << text(shown) << std::endl;
    });

    int written = 0, pagesRead = 0, failures = 0;
    const CopyObserver observer = [&](const CopyEvent& e) {
        QString outcome;
        switch (e.kind) {
        case CopyEvent::Kind::PageRead:
            ++pagesRead;
            return;
        case CopyEvent::Kind::Written:
            ++written;
            outcome = resolvedPath(e.file);
            break;
        case CopyEvent::Kind::Unchanged:
            outcome = resolvedPath(e.file);
            break;
        case CopyEvent::Kind::Missing:
            ++failures;
            outcome = QStringLiteral("non trovato");
            break;
        case CopyEvent::Kind::Failed:
            ++failures;
            outcome = QStringLiteral("errore ") + e.failure;
            break;
        }
        out << e.level << '\t' << text(e.address) << '\t' << text(outcome) << '\n';
    };
    form.copySite().setObserver(observer);
    form.completeCopy().setObserver(observer);

    QElapsedTimer clock;
    clock.start();
    form.Command4_Click();
    const qint64 elapsed = clock.nsecsElapsed();

    form.copySite().setObserver(nullptr);
    form.completeCopy().setObserver(nullptr);
    if (request.complete) {
        StopSignals::release();
        form.setCopyProgressListener(nullptr);
    }
    progress.finish();
    Messages::setScript(nullptr);

    const CompleteCopyCounts& whole = form.completeCopy().lastCounts();
    out << "riepilogo file=" << written << " pagine=" << pagesRead
        << " riferimenti=" << (request.complete ? whole.addresses : form.N_RIF()) << " errori=" << failures
        << " secondi=" << text(seconds(elapsed))
        << " attesa_pagina=" << text(seconds(TimeSpent::total(TimeSpent::Activity::BrowserWait)))
        << " caricamenti=" << TimeSpent::count(TimeSpent::Activity::BrowserWait)
        << " caricamento_mediano=" << text(seconds(TimeSpent::median(TimeSpent::Activity::BrowserWait)))
        << " trasferimenti=" << text(seconds(TimeSpent::total(TimeSpent::Activity::Transfer)))
        << " scrittura=" << text(seconds(TimeSpent::total(TimeSpent::Activity::FileWrite)))
        << " cessioni=" << TimeSpent::count(TimeSpent::Activity::Yield)
        << " tempo_cessioni=" << text(seconds(TimeSpent::total(TimeSpent::Activity::Yield)));
    if (request.complete)
        out << " byte=" << whole.bytes << " nuovi=" << whole.newFiles << " cambiati=" << whole.changed
            << " invariati=" << whole.unchanged << " spariti=" << whole.gone << " esclusi=" << whole.leftOut
            << " dal_browser=" << whole.fromPane
            << " resoconto="
            << (form.completeCopy().lastReport().isEmpty() ? std::string("-")
                                                            : text(resolvedPath(form.completeCopy().lastReport())));
    out << std::endl;

    if (request.complete) {
        switch (form.completeCopy().lastEnding()) {
        case CompleteCopyCommand::Ending::Finished:
            return 0;
        case CompleteCopyCommand::Ending::LimitReached:
            return CommandLine::kLimitReached;
        case CompleteCopyCommand::Ending::Stopped:
            return 1;
        case CompleteCopyCommand::Ending::Interrupted:
            return stoppedWith != 0 ? stoppedWith : 1;
        }
    }
    switch (form.copySite().lastEnding()) {
    case CopySiteCommand::Ending::Finished:
        return 0;
    case CopySiteCommand::Ending::LimitReached:
        return CommandLine::kLimitReached;
    case CopySiteCommand::Ending::Stopped:
        break;
    }
    return 1;
}
