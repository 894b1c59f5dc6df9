#pragma once
#include <QString>
#include <QUrl>

// An address a complete copy takes, and how it came to it.
struct CrawlItem {
    QUrl address;
    int level = 0;           // links from the start page
    bool requisite = false;  // needed by a page to be shown, not only linked
    QString referrer;        // the page that named it, or that the browser pane showed
    bool fromPane = false;   // asked for by the browser pane alone
};
