#pragma once
// A generated site of today's kind, for the complete copy's benchmark: sections in
// folders of their own, pages with many references a line and LF line ends, "./",
// "../", root-relative and absolute addresses of the same host, another host, a
// shared stylesheet with url(), @import and @font-face, another named from the root on
// the notes' pages, srcset and <picture> pictures, pages whose addresses have no
// extension, a map in an iframe, folder addresses, a redirect and a missing page in
// every section, a folder robots.txt refuses, listing pages paginated by ?pagina=N.
// Every file carries Last-Modified and an ETag, and the server answers conditions.
#include <QByteArray>
#include <QMap>
#include <QString>

class HttpServer;

struct ModernSite {
    int sections = 8;
    int pagesPerSection = 40;
    int images = 120;

    // The start page's path.
    static QString start() { return QStringLiteral("/moderno/docs/index.html"); }
    // The level that takes every page the site links within its folder.
    static int depth() { return 4; }

    // Path -> bytes and type of every file served (host: "127.0.0.1:PORT").
    struct File {
        QByteArray bytes;
        QByteArray type;
    };
    QMap<QString, File> files(const QString& host) const;
    void serve(HttpServer& server) const;
    // The same, its absolute links naming hostPort: a site reached through a proxy in
    // front of the server.
    void serve(HttpServer& server, const QString& hostPort) const;
    // Changes one page and adds a new page linked from it (the second, changed run
    // of an update), on a server already serving the site.
    void change(HttpServer& server) const;
};
