#include "tests/support/TreeSite.h"
#include "tests/support/HttpServer.h"

namespace {

QString pageName(int k) {
    return k == 0 ? QStringLiteral("index.htm") : QStringLiteral("p%1.htm").arg(k);
}

QByteArray imageBytes(int i) {
    // A GIF header and bytes of every value, different for each image.
    QByteArray bytes = "GIF89a";
    for (int b = 0; b < 1024 + i * 7; ++b)
        bytes += char((b * 31 + i * 17) & 0xFF);
    return bytes;
}

} // namespace

int TreeSite::pages() const {
    int total = 0;
    for (int level = 0, width = 1; level <= depth; ++level, width *= fanOut)
        total += width;
    return total;
}

QMap<QString, QByteArray> TreeSite::files() const {
    QMap<QString, QByteArray> out;
    const int n = pages();
    for (int k = 0; k < n; ++k) {
        QByteArray body = "<html><head><title>Pagina " + QByteArray::number(k) + "</title></head>" + lineEnd;
        body += "<body><h1>Pagina " + QByteArray::number(k) + "</h1>" + lineEnd;
        for (int c = fanOut * k + 1; c <= fanOut * k + fanOut && c < n; ++c)
            body += "<a href=\"" + pageName(c).toLatin1() + "\">Pagina " + QByteArray::number(c) + "</a>" + lineEnd;
        for (int i : {(2 * k) % images, (2 * k + 1) % images})
            body += "<img src=\"img/i" + QByteArray::number(i) + ".gif\">" + lineEnd;
        body += "</body></html>" + lineEnd;
        out.insert(pageName(k), body);
    }
    for (int i = 0; i < images; ++i)
        out.insert(QStringLiteral("img/i%1.gif").arg(i), imageBytes(i));
    return out;
}

void TreeSite::serve(HttpServer& server, const QString& folder) const {
    const QMap<QString, QByteArray> all = files();
    for (auto it = all.begin(); it != all.end(); ++it)
        server.setPage(folder + it.key(), it.value(), it.key().endsWith(".gif") ? "image/gif" : "text/html");
}
