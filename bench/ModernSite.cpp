#include "bench/ModernSite.h"
#include "tests/support/HttpServer.h"

#include <QCryptographicHash>

namespace {

const QByteArray kLastModified = "Mon, 07 Dec 2026 10:00:00 GMT";
const QByteArray kChanged = "Tue, 08 Dec 2026 10:00:00 GMT";

QByteArray n(int v) {
    return QByteArray::number(v);
}

QByteArray binary(const QByteArray& seed, int size) {
    QByteArray b = seed;
    for (int i = 0; b.size() < size; ++i)
        b += char((i * 131 + seed.size() * 7) & 0xFF);
    return b;
}

QByteArray etagOf(const QByteArray& bytes) {
    return '"' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16) + '"';
}

QByteArray head(const QByteArray& title, const QByteArray& up) {
    return "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\"><title>" + title + "</title>\n"
           "<link rel=\"stylesheet\" href=\"" + up + "../static/sito.css\"><link rel=\"icon\" href=\"/favicon.ico\">"
           "<script src=\"" + up + "../static/app.js\" defer></script></head>\n<body>\n";
}

// A page's head with the notes' stylesheet added, named from the site's root.
QByteArray withNotes(QByteArray head) {
    return head.replace("</head>", "<link rel=\"stylesheet\" href=\"/moderno/static/note.css\"></head>");
}

} // namespace

QMap<QString, ModernSite::File> ModernSite::files(const QString& hostPort) const {
    const QByteArray host = hostPort.toLatin1();
    QMap<QString, File> out;
    const auto page = [&out](const QString& path, const QByteArray& body) { out[path] = {body, "text/html; charset=utf-8"}; };
    const auto image = [&](int i) { return "/moderno/img/i" + n(i % images) + ".png"; };

    out["/robots.txt"] = {"User-agent: *\nDisallow: /moderno/docs/privato/\n", "text/plain"};
    out["/favicon.ico"] = {binary("ICO", 1150), "image/x-icon"};
    out["/moderno/static/sito.css"] = {"@import url(\"tema.css\");\nbody{font-family:Testo,sans-serif;background:url(../img/sfondo.png)}\n"
                                       "@font-face{font-family:Testo;src:url(/moderno/font/testo.woff2) format(\"woff2\")}\n"
                                       "nav a{padding:0 4px}\n",
                                       "text/css"};
    out["/moderno/static/tema.css"] = {".logo{background:url('../img/logo.svg') no-repeat}\n", "text/css"};
    // The notes' own stylesheet, named from the root by the pages that use it, and
    // naming its picture from the root too.
    out["/moderno/static/note.css"] = {".nota{border-left:3px solid #999;padding-left:1em;"
                                       "background:url(/moderno/img/nota.png) no-repeat right top}\n",
                                       "text/css"};
    out["/moderno/static/app.js"] = {"document.documentElement.classList.add('js');\n", "text/javascript"};
    out["/moderno/img/sfondo.png"] = {binary("PNG-sfondo", 3000), "image/png"};
    out["/moderno/img/logo.svg"] = {"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>", "image/svg+xml"};
    out["/moderno/font/testo.woff2"] = {binary("wOF2", 6000), "font/woff2"};
    out["/moderno/img/nota.png"] = {binary("PNG-nota", 900), "image/png"};
    for (int i = 0; i < images; ++i)
        out[QString::fromLatin1(image(i))] = {binary("PNG-" + n(i), 800 + (i * 97) % 3000), "image/png"};

    QByteArray index = head("Documentazione", "") + "<header><img class=\"logo\" src=\"../img/logo.svg\" alt=\"\"> <h1>Documentazione</h1></header>\n<nav>";
    for (int s = 1; s <= sections; ++s)
        index += "<a href=\"s" + n(s) + "/\">Sezione " + n(s) + "</a> ";
    index += "<a href=\"chi-siamo\">Chi siamo</a> <a href=\"contatti\">Contatti</a>";
    index += "</nav>\n<p><a href=\"privato/segreto.html\">Riservato</a> <a href=\"http://altro.example/\">Altro sito</a> "
             "<a href=\"mailto:info@example.it\">Scrivici</a> <a href=\"#contenuto\">Vai al contenuto</a></p>\n"
             "<picture><source srcset=\"" + image(0) + " 1x, " + image(1) + " 2x\"><img src=\"" + image(2) + "\" alt=\"\"></picture>\n"
             "<iframe src=\"mappa.html\" title=\"Mappa del sito\"></iframe>\n</body></html>\n";
    page("/moderno/docs/index.html", index);
    page("/moderno/docs/", index);
    // Pages whose addresses have no extension, as most sites' addresses are now.
    page("/moderno/docs/chi-siamo", head("Chi siamo", "") + "<nav><a href=\"index.html\">Inizio</a> <a href=\"contatti\">Contatti</a> "
                                     "<a href=\"s1/\">Sezione 1</a></nav>\n<p class=\"nota\"><img src=\"../img/i3.png\" alt=\"\"></p>\n"
                                     "<iframe src=\"mappa.html\" title=\"Mappa del sito\"></iframe>\n</body></html>\n");
    page("/moderno/docs/contatti", head("Contatti", "") + "<nav><a href=\"./\">Inizio</a> <a href=\"chi-siamo\">Chi siamo</a></nav>\n"
                                    "<p>Scriveteci.</p>\n</body></html>\n");
    // The map every front page shows in a frame: a page with a picture of its own and
    // links to the sections' folders.
    QByteArray map = "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\"><title>Mappa</title></head>\n<body>"
                     "<img src=\"../img/logo.svg\" alt=\"\">";
    for (int s = 1; s <= sections; ++s)
        map += " <a href=\"s" + n(s) + "/\" target=\"_top\">" + n(s) + "</a>";
    page("/moderno/docs/mappa.html", map + "\n</body></html>\n");
    page("/moderno/docs/privato/segreto.html", "<html><body>riservato</body></html>\n");

    for (int s = 1; s <= sections; ++s) {
        const QByteArray sec = "/moderno/docs/s" + n(s) + "/";
        QByteArray list = head("Sezione " + n(s), "../") + "<nav><a href=\"../index.html\">Inizio</a> <a href=\"./\">Sezione</a></nav>\n<ul>";
        for (int k = 1; k <= pagesPerSection; ++k)
            list += "<li><a href=\"p" + n(k) + ".html\">Pagina " + n(k) + "</a></li>";
        list += "</ul>\n<p><a href=\"elenco.php?pagina=2\">Elenco</a> <a href=\"vecchia.html\">Vecchia pagina</a> "
                "<a href=\"manca.html\">Pagina mancante</a> <a href=\"glossario\">Glossario</a></p>\n"
                "<iframe src=\"../mappa.html\" title=\"Mappa del sito\"></iframe>\n</body></html>\n";
        page(QString::fromLatin1(sec), list);
        page(QString::fromLatin1(sec + "index.html"), list);
        for (int p = 2; p <= 3; ++p)
            page(QString::fromLatin1(sec + "elenco.php?pagina=" + n(p)),
                 "<html><body><a href=\"elenco.php?pagina=" + n(p + 1) + "\">Avanti</a> <a href=\"./\">Sezione</a></body></html>\n");
        page(QString::fromLatin1(sec + "elenco.php?pagina=4"), "<html><body>fine</body></html>\n");
        page(QString::fromLatin1(sec + "glossario"), head("Glossario " + n(s), "../") +
                                                        "<p><a href=\"./\">Sezione</a> <a href=\"p1.html\">Pagina 1</a> "
                                                        "<a href=\"../chi-siamo\">Chi siamo</a></p>\n</body></html>\n");
        for (int k = 1; k <= pagesPerSection; ++k) {
            const int other = s % sections + 1;
            QByteArray body = head("Pagina " + n(k), "../");
            body += "<nav><a href=\"./\">Sezione</a> <a href=\"../index.html\">Inizio</a> <a href=\"p" + n(k % pagesPerSection + 1) +
                    ".html\">Avanti</a> <a href=\"/moderno/docs/s" + n(other) + "/p" + n(k) + ".html\">Sezione " + n(other) +
                    "</a> <a href=\"http://" + host + sec + "approfondimenti/a" + n(k) + ".html\">Approfondimento</a> "
                    "<a href=\"#sopra\">Su</a> <a href=\"https://altro.example/pagina\">Fuori</a></nav>\n";
            body += "<main><h1>Pagina " + n(k) + " della sezione " + n(s) + "</h1>\n";
            for (int para = 0; para < 3; ++para)
                body += "<p>Testo del paragrafo " + n(para) + " con <a href=\"./p" + n((k + para) % pagesPerSection + 1) +
                        ".html#sezione" + n(para) + "\">un rimando</a> e un'immagine <img src=\"../../img/i" +
                        n((s * 31 + k * 7 + para) % images) + ".png\" loading=\"lazy\" alt=\"\">.</p>\n";
            body += "<img src=\"" + image(s * 13 + k) + "\" srcset=\"" + image(s * 13 + k) + " 1x, " + image(s * 13 + k + 1) + " 2x\" alt=\"\">\n";
            body += "</main>\n<footer><a href=\"../chi-siamo\">Chi siamo</a> <a href=\"/moderno/docs/contatti\">Contatti</a> "
                    "<a href=\"glossario\">Glossario</a></footer>\n</body></html>\n";
            page(QString::fromLatin1(sec + "p" + n(k) + ".html"), body);
            page(QString::fromLatin1(sec + "approfondimenti/a" + n(k) + ".html"),
                 withNotes(head("Approfondimento " + n(k), "../../")) + "<p class=\"nota\"><a href=\"../p" + n(k) +
                     ".html\">Torna</a> <img src=\"../../../img/i" + n((k * 11) % images) + ".png\" alt=\"\"></p>\n</body></html>\n");
        }
    }
    return out;
}

void ModernSite::serve(HttpServer& server) const {
    serve(server, server.hostPort());
}

void ModernSite::serve(HttpServer& server, const QString& hostPort) const {
    const QMap<QString, File> all = files(hostPort);
    for (auto it = all.begin(); it != all.end(); ++it) {
        server.setPage(it.key(), it->bytes, it->type);
        server.setValidators(it.key(), kLastModified, etagOf(it->bytes));
    }
    for (int s = 1; s <= sections; ++s) {
        server.setRedirect(QStringLiteral("/moderno/docs/s%1/vecchia.html").arg(s),
                           QStringLiteral("/moderno/docs/s%1/p1.html").arg(s).toLatin1());
        server.setStatus(QStringLiteral("/moderno/docs/s%1/manca.html").arg(s), 404, "Not Found");
    }
}

void ModernSite::change(HttpServer& server) const {
    const QString path = QStringLiteral("/moderno/docs/s1/p1.html");
    QByteArray body = files(server.hostPort()).value(path).bytes;
    body.replace("</main>", "<p><a href=\"nuova.html\">Novit\xC3\xA0</a></p></main>");
    server.setPage(path, body, "text/html; charset=utf-8");
    server.setValidators(path, kChanged, etagOf(body));
    const QByteArray fresh = "<html><body>Pagina nuova <img src=\"../../img/i1.png\"></body></html>\n";
    server.setPage(QStringLiteral("/moderno/docs/s1/nuova.html"), fresh, "text/html; charset=utf-8");
    server.setValidators(QStringLiteral("/moderno/docs/s1/nuova.html"), kChanged, etagOf(fresh));
}
