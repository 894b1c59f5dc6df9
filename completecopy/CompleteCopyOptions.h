#pragma once
#include <QtGlobal>

// The choices of a complete copy beyond the window's boxes.
struct CompleteCopyOptions {
    int maxFiles = 100000;     // the copy ends when it holds this many files
    double waitSeconds = 0;    // between two requests
    bool ignoreRobots = false; // copy what the site's robots.txt refuses as well
    bool refetch = false;      // fetch every file again, even where an earlier copy is up to date
    int connections = 4;       // requests to the site at a time (1 to 16)
    bool asServed = false;     // keep every file as served: no page made readable offline
};

// What a complete copy did, for its closing box and summary line.
struct CompleteCopyCounts {
    int files = 0;        // files written: new and changed
    qint64 bytes = 0;     // their bytes
    int newFiles = 0;     // not in the copy before
    int changed = 0;      // in the copy before, different now
    int unchanged = 0;    // in the copy before and the same: not written again
    int gone = 0;         // in the copy before, no longer reached: kept on disk
    int pages = 0;        // pages read for references
    int failures = 0;     // addresses that could not be fetched or written
    int leftOut = 0;      // addresses left out (another host, outside the folder, robots.txt, limit)
    int fromPane = 0;     // files found only by the browser pane's own requests
    int addresses = 0;    // distinct addresses met
    int waiting = 0;      // addresses still waiting their turn when the copy was stopped
    bool limitReached = false;
    bool interrupted = false;  // stopped by whoever started it, before its end
};
