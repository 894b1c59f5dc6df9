#pragma once
// A generated site for whole copies: a tree of pages at the site's root, each page
// linking its children and two images from img/, one reference a line.
#include <QByteArray>
#include <QMap>
#include <QString>

class HttpServer;

struct TreeSite {
    int fanOut = 5;       // children a page
    int depth = 4;        // links from the start page to the deepest pages
    int images = 100;     // img/i0.gif ... in img/
    QByteArray lineEnd = "\r\n";
    // Pages of a real site's size when above 0: each page is filled out with lines of
    // text to between minPageBytes and maxPageBytes (a few hundred lines), its links
    // and images spread through them, and every other page ends its lines with a
    // lone LF whatever lineEnd says.
    int minPageBytes = 0, maxPageBytes = 0;

    // Site path (under the folder given to serve) -> bytes: index.htm, p1.htm ..., img/i0.gif ...
    QMap<QString, QByteArray> files() const;
    // Serves every file under folder ("/sito/" gives http://host/sito/index.htm).
    void serve(HttpServer& server, const QString& folder) const;
    int pages() const;
};
