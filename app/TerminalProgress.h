#pragma once
#include "completecopy/CopyProgress.h"

#include <QElapsedTimer>
#include <optional>
#include <ostream>

// The progress line of a copy run at a terminal: one line on standard error, written
// over in place at most a few times a second. Nothing at all when standard error is
// not a terminal (a script, a log file): standard output stays one line a file.
class TerminalProgress {
public:
    // shown: standard error is a terminal (standardErrorIsTerminal()).
    TerminalProgress(std::ostream& err, bool shown);
    void update(const CopyProgress& progress);
    // Ends the line, once something was written on it, with the last progress told.
    void finish();

    static bool standardErrorIsTerminal();

private:
    std::ostream& m_err;
    bool m_shown;
    void write(const CopyProgress& progress);

    QElapsedTimer m_clock;
    qint64 m_lastMs = -1;
    int m_width = 0;  // of the line written last
    std::optional<CopyProgress> m_told;     // the last progress told
    std::optional<CopyProgress> m_written;  // the one on the line
};
