#pragma once
// A copy of a site opened from the disk in a real browser engine (Qt WebEngine, with
// no network: every web request is blocked), as somebody does who copied a site to
// read it offline. Each page file is loaded as a file: address; what it asks for by
// itself (stylesheets, pictures, fonts, scripts, frames) fails when it names no file
// on the disk (a missing file, a folder) or goes to the web; its links lead into the
// copy when they name a file on the disk.
#include <QString>
#include <QStringList>

struct OfflineReading {
    int pages = 0;           // page files loaded
    int shownAsHtml = 0;     // read as HTML by the engine (not as text)
    int requests = 0;        // the pages' own requests
    int failedRequests = 0;  // ... that found no file on the disk
    int links = 0;           // links to the site: to files of the copy or to the site's addresses
    int linksIntoCopy = 0;   // ... that lead to a file of the copy
    QStringList failures;    // "page: what failed", for messages
};

// siteHost: "host:port" of the site copied; links to other hosts are not counted.
OfflineReading readOffline(const QStringList& pageFiles, const QString& siteHost);
