#pragma once
#include <QString>
#include <QtGlobal>

// How far a complete copy has come, as it goes.
struct CopyProgress {
    int files = 0;       // files settled: written, or found unchanged
    int waiting = 0;     // addresses taken, their turn still to come
    qint64 bytes = 0;    // bytes of the files written
    int failures = 0;
    int level = 0;       // the level of the file taken last
    bool operator==(const CopyProgress&) const = default;
};

// "copia: 1.234 file, 56 in attesa, 12,3 MB, 2 errori, livello 3": the window's title
// while a copy runs puts it after the program's name.
QString progressText(const CopyProgress& progress);

// The line a terminal shows while a copy runs: files, waiting, bytes, the rate over
// the seconds so far, failures.
QString progressLine(const CopyProgress& progress, double seconds);
