#include "tests/support/TreeSite.h"
#include "tests/support/HttpServer.h"
#include <QByteArrayList>
#include <algorithm>
#include <iterator>

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

// Words of the text that fills a real-sized page, a few with the code page's accented
// letters and signs (0xE8 e grave, 0xE0 a grave, 0x80 euro, 0x92 right quote).
const char* const kWords[] = {"il", "servizio", "\xE8", "attivo", "dalle", "otto", "alle", "venti;", "la",
                              "tariffa", "costa", "12\x80", "al", "mese", "per", "l\x92utente", "citt\xE0",
                              "comune", "ufficio", "orari", "domande", "risposte", "modulo", "pratica",
                              "documento", "allegato", "scadenza", "numero", "contatti", "indirizzo"};
const char* const kOpenings[] = {"<p class=\"testo\">", "<li>", "<td>", "<div class=\"riga\"><span>", "  ", "<!-- "};
const char* const kClosings[] = {"</p>", "</li>", "</td>", "</span></div>", "", " -->"};

// One line of text of about `length` bytes, without references.
QByteArray fillerLine(quint32& seed, int length) {
    const auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(range));
    };
    const int kind = next(int(std::size(kOpenings)));
    QByteArray line = kOpenings[kind];
    while (line.size() < length)
        line += QByteArray(kWords[next(int(std::size(kWords)))]) + ' ';
    return line + kClosings[kind];
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
    const bool realSized = maxPageBytes > 0;
    for (int k = 0; k < n; ++k) {
        const QByteArray eol = realSized && k % 2 == 1 ? QByteArray("\n") : lineEnd;
        QByteArrayList references;
        for (int c = fanOut * k + 1; c <= fanOut * k + fanOut && c < n; ++c)
            references << "<a href=\"" + pageName(c).toLatin1() + "\">Pagina " + QByteArray::number(c) + "</a>";
        for (int i : {(2 * k) % images, (2 * k + 1) % images})
            references << "<img src=\"img/i" + QByteArray::number(i) + ".gif\">";

        QByteArray body = "<html><head><title>Pagina " + QByteArray::number(k) + "</title></head>" + eol;
        body += "<body><h1>Pagina " + QByteArray::number(k) + "</h1>" + eol;
        if (!realSized) {
            for (const QByteArray& reference : references)
                body += reference + eol;
        } else {
            // A size in the range for each page, about 250 lines at 20 KB and 400 at 100 KB,
            // the references at even steps among them; lines are added while the page,
            // references and closing tags included, stays within that size.
            quint32 seed = quint32(k) * 2654435761u + 12345u;
            const int span = std::max(1, maxPageBytes - minPageBytes - 512);
            const int size =
                std::min(maxPageBytes, minPageBytes + 512 + int((quint32(k) * 40503u + 17u) % quint32(span)));
            const int lines = 200 + size / 500;
            const int average = size / lines;
            const int step = std::max(1, lines / int(references.size() + 1));
            qsizetype reserved = QByteArray("</body></html>").size() + eol.size();
            for (const QByteArray& reference : references)
                reserved += reference.size() + eol.size();
            qsizetype placed = 0;
            for (int j = 1;; ++j) {
                const QByteArray line = fillerLine(seed, average / 2 + int(seed % quint32(average))) + eol;
                if (body.size() + line.size() + reserved > size)
                    break;
                body += line;
                if (placed < references.size() && j % step == 0)
                    body += references[placed++] + eol;
            }
            for (; placed < references.size(); ++placed)
                body += references[placed] + eol;
        }
        body += "</body></html>" + eol;
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
