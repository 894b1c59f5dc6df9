#pragma once
// The complete copy read offline: the program's default copy (pages made readable from
// the disk) and wget's copy made to be read offline (-r -np -p -k -E -l N -nH), each
// into a folder of its own and timed, then every file of each copy that holds one of
// the site's pages opened from the disk in the browser engine with the network blocked
// (tests/support/OfflineReading).
#include "bench/CopierRun.h"
#include "tests/support/OfflineReading.h"

#include <QString>

class HttpServer;
struct ModernSite;

struct ReadingOffline {
    int sitePages = 0;  // the site's HTML pages (a folder's address and its index.html once)
    struct Copy {
        CopyRun run;
        QStringList rounds;  // each round's seconds, in order
        QStringList pageFiles;  // the files found holding the site's pages
        OfflineReading reading;
    } program, wget;
};

// Makes both copies, each five times in turns: the median is its time, the last copy
// is the one read.
ReadingOffline copyToReadOffline(HttpServer& server, const ModernSite& site, const QString& work);
// Opens their pages (needs the application object of a GUI program; takes a while).
void readCopiesOffline(ReadingOffline& r, const QString& siteHost);
