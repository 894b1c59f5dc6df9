#pragma once
#include <QString>
#include <QtGlobal>

// The variables through which the window's commands hand results to each other.
// One instance lives as long as the program; every command reaches it.
struct SharedState {
    QString WURL;        // address of the current page
    QString WURL_DIR;    // WURL up to and including its last "/" or "\"
    QString WURL_FILE;   // the rest; "index.htm" when it holds no "."
    QString WPATH_DEST;  // destination folder, ending with a separator
    QString WURL_ROOT;   // folder part of the start address of the copy under way
    qint16 WNOT_FOUND = 0; // 1 when the last open-page run judged its page missing
    double WY = 0;       // last drop position of the splitter, relative to its pane
};
