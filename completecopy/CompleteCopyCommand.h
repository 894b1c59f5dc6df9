#pragma once
#include "completecopy/CompleteCrawl.h"
#include "copier/CopyEvent.h"
#include "copier/DestinationTree.h"
#include "display/PaneRequestLog.h"
#include "reader/FormControls.h"

// "Copia sito" with "Copia completa" ticked: copies the site whose start address is
// in Text1 into the destination folder in Text3, every file at its address's path,
// so that the copy can be browsed offline. Failures go to the copy's report in the
// destination, never to a message box; one box at the end says what was copied. A
// folder that holds a complete copy of the same start address is brought up to
// date: only what changed is transferred, and nothing on the disk is deleted.
class CompleteCopyCommand {
public:
    explicit CompleteCopyCommand(const FormControls& form);

    // A start while a copy is under way does nothing.
    void start();
    bool running() const { return m_running; }
    // Stops the copy under way cleanly (from an event handled while it runs); nothing
    // when none is.
    void stop();

    // How the last copy ended: run to its end, stopped at the file limit, or stopped
    // before it began by a message (no address or destination, a folder that cannot
    // be made, a start page that cannot be fetched or saved, a report that cannot be
    // written).
    // Interrupted: stopped by stop() (the next copy takes it up).
    enum class Ending { Finished, LimitReached, Stopped, Interrupted };
    Ending lastEnding() const { return m_ending; }
    const CompleteCopyCounts& lastCounts() const { return m_counts; }
    // The report of the last copy (program form); empty when none was begun.
    const QString& lastReport() const { return m_reportFile; }

    void setOptions(const CompleteCopyOptions& options) { m_options = options; }
    // Told of every file the copy writes or fails to fetch and every page it reads.
    void setObserver(CopyObserver observer) { m_observer = std::move(observer); }
    // Told how far the copy has come, a few times a second while it runs and once at
    // its end (before its closing box).
    void setProgressObserver(std::function<void(const CopyProgress&)> observer) {
        m_progressObserver = std::move(observer);
    }

private:
    void copy();
    QString closingText() const;

    FormControls m_form;
    DestinationTree m_destination;
    PaneRequestLog m_paneLog;
    CompleteCopyOptions m_options;
    CopyObserver m_observer;
    std::function<void(const CopyProgress&)> m_progressObserver;
    CompleteCrawl* m_crawl = nullptr;  // the copy under way
    bool m_running = false;
    Ending m_ending = Ending::Stopped;
    CompleteCopyCounts m_counts;
    QString m_reportFile;
    QString m_stateNote;  // why an earlier copy's state was set aside
};
