// Complete copies of a modern site served on 127.0.0.1: through the window with
// "Copia completa" ticked, and from the command line with --completa. The copy must
// hold exactly the expected files byte for byte, every internal link of every copied
// page must lead to a file of the copy or be listed in the report, and no box may
// appear before the end.
#include "app/Form3.h"
#include "completecopy/CompleteCopyCommand.h"
#include "reader/OpenPageCommand.h"
#include "display/WebBrowser.h"
#include "tests/copier/FormFixture.h"
#include "completecopy/offline/OfflineConversion.h"
#include "tests/support/FileTree.h"
#include "tests/support/OfflineReading.h"
#include "tests/support/TreeSite.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QString kReport = QStringLiteral("mirasito-copia.txt");

QByteArray bytesOf(const char* name) {
    QByteArray b = QByteArray("BIN:") + name + ':';
    for (int i = 0; i < 300; ++i)
        b += char((i * 37 + qstrlen(name)) & 0xFF);
    return b;
}

// The site: pages with many references a line and LF line ends, nested folders,
// "./" and "../", root-relative and absolute addresses of the same host, another
// host, CSS with url() and @import, srcset, data-src, a base, a redirect, a 404,
// robots.txt, query strings, a folder address, a file whose type is not HTML, and a
// picture only a script names. host is "127.0.0.1:PORT".
struct ModernSite {
    QMap<QString, QByteArray> pages;  // path -> body, served as text/html
    QMap<QString, QPair<QByteArray, QByteArray>> others;  // path -> body, type

    explicit ModernSite(const QString& host) {
        const QByteArray h = host.toLatin1();
        pages["/sito/docs/index.html"] =
            "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\"><title>Documentazione</title>\n"
            "<link rel=\"stylesheet\" href=\"../static/main.css\"><link rel=\"icon\" href=\"/favicon.ico\"><script src=\"./js/app.js\"></script></head>\n"
            "<body><nav><a href=\"./\">Inizio</a> | <a href=\"guide/\">Guida</a> | <a href=\"guide/install.html#passo2\">Installa</a> | "
            "<a href=\"http://" + h + "/sito/docs/api/list.php?page=2&amp;sort=name\">API</a> | <a href=\"/sito/docs/news.html\">Novit\xC3\xA0</a> | "
            "<a href=\"../about.html\">Chi siamo</a></nav>\n"
            "<p><a href=\"http://altro.example/x.html\">Altro</a> <a href=\"mailto:info@example.it\">Scrivici</a> <a href=\"javascript:void(0)\">Menu</a> "
            "<a href=\"old.html\">Vecchia</a> <a href=\"missing.html\">Mancante</a> <a href=\"private/secret.html\">Riservata</a> <a href=\"notes.txt\">Note</a> "
            "<a href=\"fuori.html\">Fuori</a> <a href=\"../altro/pagina.html\">Altra cartella</a></p>\n"
            "<picture><source srcset=\"img/hero-800.webp 800w, img/hero-1600.webp 1600w\"><img src=\"img/hero.jpg\" srcset=\"img/hero.jpg 1x, img/hero@2x.jpg 2x\" alt=\"\"></picture>\n"
            "<img data-src=\"img/lazy.png\" src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\"><div style=\"background:url('img/bg.png')\">x</div>\n"
            "<script>var i = new Image(); i.src = '/sito/dyn/' + 'inserted.png'; document.body.appendChild(i);</script>\n"
            "</body></html>\n";
        // The base makes "guide/install.html" the page beside, not guide/guide/. A page
        // outside the folder is linked from the start page, but shown in a frame here:
        // it is copied.
        pages["/sito/docs/guide/"] = "<html><head><base href=\"/sito/docs/\"></head><body>\n"
                                     "<a href=\"index.html\">Su</a> <a href=\"guide/install.html\">Installa</a> <img src=\"img/guide.png\">\n"
                                     "<iframe src=\"../about.html\"></iframe></body></html>\n";
        pages["/sito/docs/guide/install.html"] =
            "<html><body><img src=\"../img/step.png\"> <a href=\"../deep/a.html\">A</a></body></html>\n";
        pages["/sito/docs/deep/a.html"] = "<html><body><a href=\"b.html\">B</a></body></html>\n";
        // At the last level: its picture is taken, its link is not.
        pages["/sito/docs/deep/b.html"] = "<html><body><a href=\"c.html\">C</a><img src=\"../img/deep.png\"></body></html>\n";
        pages["/sito/docs/deep/c.html"] = "<html><body>troppo in basso</body></html>\n";
        pages["/sito/docs/api/list.php?page=2&sort=name"] =
            "<html><body><a href=\"list.php?page=3&amp;sort=name\">Avanti</a></body></html>\n";
        pages["/sito/docs/api/list.php?page=3&sort=name"] = "<html><body>Ultima</body></html>\n";
        // "guide" leads to "guide/": one file, the folder's.
        pages["/sito/docs/news.html"] = "<html><body><a href=\"index.html\">Inizio</a><img src=\"http://" + h +
                                        "/sito/docs/img/news.png\"> <a href=\"guide\">Guida</a></body></html>\n";
        pages["/sito/docs/new.html"] = "<html><body>Nuova</body></html>\n";
        pages["/sito/about.html"] = "<html><body>fuori dalla cartella</body></html>\n";
        pages["/sito/docs/private/secret.html"] = "<html><body>riservata</body></html>\n";
        pages["/sito/docs/hidden.html"] = "<html><body>solo da un testo</body></html>\n";
        others["/sito/docs/notes.txt"] = {"see <a href=\"hidden.html\">this</a>\n", "text/plain"};
        others["/robots.txt"] = {"User-agent: *\nDisallow: /sito/docs/private/\n", "text/plain"};
        others["/sito/static/main.css"] = {"@import url(\"theme.css\");\nbody{background:url(../img/paper.png)}\n"
                                           "@font-face{font-family:x;src:url('/sito/fonts/f.woff2') format('woff2')}\n",
                                           "text/css"};
        others["/sito/static/theme.css"] = {".logo{background-image:url(\"data:image/png;base64,iVBOR\")}\n"
                                            ".icon{background:url(icons.svg#home)}\n",
                                            "text/css; charset=utf-8"};
        others["/sito/static/icons.svg"] = {"<svg xmlns=\"http://www.w3.org/2000/svg\"/>", "image/svg+xml"};
        others["/sito/docs/js/app.js"] = {"document.title += ' ';\n", "text/javascript"};
        for (const char* name : {"/favicon.ico", "/sito/img/paper.png", "/sito/fonts/f.woff2", "/sito/dyn/inserted.png"})
            others[name] = {bytesOf(name), "application/octet-stream"};
        for (const char* name : {"hero-800.webp", "hero-1600.webp", "hero.jpg", "hero@2x.jpg", "lazy.png", "bg.png",
                                 "guide.png", "step.png", "deep.png", "news.png"})
            others[QStringLiteral("/sito/docs/img/") + name] = {bytesOf(name), "image/png"};
    }

    void serve(HttpServer& server) const {
        for (auto it = pages.begin(); it != pages.end(); ++it)
            server.setPage(it.key(), it.value(), "text/html; charset=utf-8");
        server.setPage("/sito/docs/", pages["/sito/docs/index.html"], "text/html; charset=utf-8");
        for (auto it = others.begin(); it != others.end(); ++it)
            server.setPage(it.key(), it->first, it->second);
        server.setRedirect("/sito/docs/old.html", "/sito/docs/new.html");
        server.setRedirect("/sito/docs/guide", "/sito/docs/guide/");
        server.setRedirect("/sito/docs/fuori.html", "http://altro.example/y.html");
        server.setStatus("/sito/docs/missing.html", 404, "Not Found");
    }

    QByteArray bytes(const QString& path) const {
        return pages.contains(path) ? pages[path] : others[path].first;
    }

    // The copy to level 3: relative file -> bytes. A shown copy also has what the
    // browser pane fetched for the page's script.
    FileTree expected(bool shown) const {
        FileTree t;
        const QMap<QString, QString> files{
            {"robots.txt", "/robots.txt"},
            {"favicon.ico", "/favicon.ico"},
            {"sito/docs/index.html", "/sito/docs/index.html"},
            {"sito/docs/guide/index.html", "/sito/docs/guide/"},
            {"sito/docs/guide/install.html", "/sito/docs/guide/install.html"},
            {"sito/docs/deep/a.html", "/sito/docs/deep/a.html"},
            {"sito/docs/deep/b.html", "/sito/docs/deep/b.html"},
            {"sito/docs/api/list.php@page=2&sort=name", "/sito/docs/api/list.php?page=2&sort=name"},
            {"sito/docs/api/list.php@page=3&sort=name", "/sito/docs/api/list.php?page=3&sort=name"},
            {"sito/docs/news.html", "/sito/docs/news.html"},
            {"sito/docs/old.html", "/sito/docs/new.html"},
            {"sito/docs/new.html", "/sito/docs/new.html"},
            {"sito/docs/notes.txt", "/sito/docs/notes.txt"},
            {"sito/docs/js/app.js", "/sito/docs/js/app.js"},
            {"sito/static/main.css", "/sito/static/main.css"},
            {"sito/static/theme.css", "/sito/static/theme.css"},
            {"sito/static/icons.svg", "/sito/static/icons.svg"},
            {"sito/img/paper.png", "/sito/img/paper.png"},
            {"sito/fonts/f.woff2", "/sito/fonts/f.woff2"},
            {"sito/about.html", "/sito/about.html"},
        };
        for (auto it = files.begin(); it != files.end(); ++it)
            t.insert(it.key(), bytes(it.value()));
        for (const char* name : {"hero-800.webp", "hero-1600.webp", "hero.jpg", "hero@2x.jpg", "lazy.png", "bg.png",
                                 "guide.png", "step.png", "deep.png", "news.png"})
            t.insert(QStringLiteral("sito/docs/img/") + name, bytes(QStringLiteral("/sito/docs/img/") + name));
        if (shown)
            t.insert("sito/dyn/inserted.png", bytes("/sito/dyn/inserted.png"));
        return t;
    }

    // The same files named for reading offline (their bytes as served): pages whose
    // names do not say so end in .html, and "guide" (a page, redirected to "guide/")
    // has a file of its own beside the folder.
    FileTree readOffline(const FileTree& served) const {
        FileTree t = served;
        for (const char* page : {"sito/docs/api/list.php@page=2&sort=name", "sito/docs/api/list.php@page=3&sort=name"})
            t.insert(QString(page) + ".html", t.take(page));
        t.insert("sito/docs/guide.html", t.value("sito/docs/guide/index.html"));
        return t;
    }
};

// The report: address -> its line's level, state and outcome.
struct ReportLine {
    int level = -1;
    QString state;
    QString outcome;
};
QMap<QString, ReportLine> readReport(const QString& dest) {
    QFile f(dest + '/' + kReport);
    QMap<QString, ReportLine> lines;
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        if (!line.startsWith('#') && fields.size() >= 4)
            lines.insert(fields[2], {fields[0] == "-" ? -1 : fields[0].toInt(), fields[1], fields[3]});
    }
    return lines;
}

// Where the copy keeps an address of this site (its paths are plain ASCII).
QString localFile(const QUrl& url) {
    QString path = url.path().mid(1);
    if (path.isEmpty() || path.endsWith('/'))
        path += "index.html";
    return url.hasQuery() ? path + '@' + url.query() : path;
}

// Every href and src of every copied page of the site that stays on its host must
// lead to a file of the copy, unless the report lists it as failed or left out, or
// it is a link of a page at the last level.
QStringList unresolvedLinks(const QString& dest, const QString& host, const QMap<QString, ReportLine>& report,
                            int maxLevel) {
    static const QRegularExpression attribute(QStringLiteral("(href|src|srcset)=\"([^\"]*)\""));
    QStringList problems;
    for (auto it = report.begin(); it != report.end(); ++it) {
        const QUrl pageUrl(it.key());
        QFile f(dest + '/' + it->outcome);
        if (it->level < 0 || !(it->outcome.endsWith(".html") || it->outcome.contains(".php@")) || !f.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(f.readAll());
        const QRegularExpressionMatch base = QRegularExpression("<base href=\"([^\"]*)\"").match(html);
        const QUrl baseUrl = base.hasMatch() ? pageUrl.resolved(QUrl(base.captured(1))) : pageUrl;
        for (auto m = attribute.globalMatch(html); m.hasNext();) {
            const QRegularExpressionMatch a = m.next();
            const QStringList candidates = a.captured(1) == "srcset" ? a.captured(2).split(',') : QStringList{a.captured(2)};
            for (const QString& candidate : candidates) {
                const QString ref = candidate.trimmed().section(' ', 0, 0).replace("&amp;", "&");
                const QUrl target = baseUrl.resolved(QUrl(ref)).adjusted(QUrl::RemoveFragment);
                if (target.scheme() != "http" || target.authority() != host)
                    continue;
                const bool link = a.captured(1) == "href" && !html.contains("stylesheet\" href=\"" + ref) &&
                                  !html.contains("icon\" href=\"" + ref);
                if (QFile::exists(dest + '/' + localFile(target)) || report.contains(target.toString(QUrl::FullyEncoded)) ||
                    (link && it->level >= maxLevel))
                    continue;
                problems << it.key() + " -> " + target.toString();
            }
        }
    }
    return problems;
}

// Whether saved differs from served in the values of served's references only: the
// bytes between them are the same, in the same order. Empty when so, else where not.
QString onlyValuesChanged(const QByteArray& served, const QByteArray& saved, bool stylesheet) {
    const QUrl somewhere("http://h.example/a/b.html");
    const ReadFile read = stylesheet ? readStylesheet(served, somewhere, QString(), FileForm::Served, {})
                                     : readPage(served, QByteArray(), somewhere, QString(), FileForm::Served, {});
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    for (const ResolvedReference& r : read.references)
        if (r.at >= 0)
            spans.push_back({r.at, r.length});
    if (read.baseAt >= 0)
        spans.push_back({read.baseAt, read.baseLength});
    std::sort(spans.begin(), spans.end());
    qsizetype from = 0, at = 0;
    for (const auto& [start, length] : spans) {
        const QByteArray between = served.mid(from, start - from);
        const qsizetype found = saved.indexOf(between, at);
        if (found != at && !(from > 0 && found >= at))
            return QStringLiteral("before byte %1").arg(start);
        at = found + between.size();
        from = start + length;
    }
    const QByteArray tail = served.mid(from);
    return saved.endsWith(tail) && saved.size() - tail.size() >= at ? QString() : QStringLiteral("at the end");
}

class CompleteCopyTest : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        site.serve(server);
        start = server.url("/sito/docs/index.html");
    }

    // The copy without its report and state, which are checked on their own.
    FileTree copied(const QString& dest) const {
        FileTree t = fileTree(dest, Folders::Skipped);
        t.remove(kReport);
        t.remove("mirasito-stato.txt");
        return t;
    }

    QString keysOf(const FileTree& t) const { return QStringList(t.keys()).join('\n'); }

    // The copy holds the files wanted; pages and stylesheets differ from what was
    // served in their references' values only; a browser engine reads every page from
    // the disk, finding what it asks for and following links into the copy.
    void checkOffline(const QString& dest, const FileTree& want) {
        const FileTree got = copied(dest);
        EXPECT_EQ(keysOf(got), keysOf(want));
        QStringList pages;
        for (auto it = want.begin(); it != want.end(); ++it) {
            const bool page = it.key().endsWith(".html"), sheet = it.key().endsWith(".css");
            if (page)
                pages << dest + '/' + it.key();
            if (page || sheet)
                EXPECT_EQ(onlyValuesChanged(it.value(), got.value(it.key()), sheet), QString()) << it.key().toStdString();
            else
                EXPECT_TRUE(got.value(it.key()) == it.value()) << it.key().toStdString();
        }
        const OfflineReading r = readOffline(pages, server.hostPort());
        EXPECT_EQ(r.pages, pages.size());
        EXPECT_EQ(r.shownAsHtml, pages.size());
        EXPECT_GE(r.requests, 10);
        // What a script of the start page puts in by itself is not rewritten: its
        // picture is looked for at the disk's root. Links to what the copy did not
        // take (beyond the level, missing, refused, outside the folder, redirected to
        // another host) lead to the web.
        const QString index = dest + "/sito/docs/index.html: ";
        QStringList expected{index + "asked for file:///sito/dyn/inserted.png",
                             dest + "/sito/docs/deep/b.html: link to " + server.url("/sito/docs/deep/c.html")};
        for (const char* path : {"/sito/docs/missing.html", "/sito/docs/private/secret.html", "/sito/docs/fuori.html",
                                 "/sito/altro/pagina.html"})
            expected << index + "link to " + server.url(path);
        QStringList failures = r.failures;
        failures.sort();
        expected.sort();
        EXPECT_EQ(failures, expected);
        EXPECT_EQ(r.links - r.linksIntoCopy, 5);
    }

    // served: the files kept as served; otherwise pages named for reading offline.
    void checkReport(const QString& dest, bool shown, bool served) {
        const QMap<QString, ReportLine> report = readReport(dest);
        const struct { const char* path; const char* outcome; } listed[] = {
            {"/sito/docs/missing.html", "errore 404 - Not Found"},
            {"/sito/altro/pagina.html", "escluso: fuori dalla cartella iniziale"},
            {"/sito/about.html", "sito/about.html"},
            {"/sito/docs/guide", served ? "sito/docs/guide/index.html" : "sito/docs/guide.html"},
            {"/sito/docs/fuori.html", "escluso: reindirizzato ad altro host (http://altro.example/y.html)"},
            {"/sito/docs/private/secret.html", "escluso: robots.txt"},
            {"/sito/docs/old.html", "sito/docs/old.html"},
            {"/sito/docs/api/list.php?page=3&sort=name",
             served ? "sito/docs/api/list.php@page=3&sort=name" : "sito/docs/api/list.php@page=3&sort=name.html"},
        };
        for (const auto& l : listed)
            EXPECT_EQ(report.value(server.url(l.path)).outcome, QString(l.outcome)) << l.path;
        EXPECT_EQ(report.value("http://altro.example/x.html").outcome, "escluso: altro host");
        EXPECT_EQ(report.value("mailto:info@example.it").outcome, "escluso: non è un indirizzo web");
        EXPECT_EQ(report.value("javascript:void(0)").outcome, "escluso: non è un indirizzo web");
        EXPECT_EQ(report.value("data:image/gif;base64,R0lGODlhAQABAAAAACw=").outcome, "escluso: non è un indirizzo web");
        // Levels: breadth first, each address at its fewest links from the start.
        EXPECT_EQ(report.value(server.url("/sito/docs/guide/install.html")).level, 1);
        EXPECT_EQ(report.value(server.url("/sito/docs/deep/b.html")).level, 3);
        EXPECT_EQ(report.value(server.url("/sito/docs/img/deep.png")).level, 4);
        EXPECT_FALSE(report.contains(server.url("/sito/docs/deep/c.html")));
        EXPECT_FALSE(report.contains(server.url("/sito/docs/hidden.html")));
        EXPECT_EQ(report.value(server.url("/sito/dyn/inserted.png")).outcome,
                  shown ? "sito/dyn/inserted.png (dal browser)" : QString());
        if (served)
            EXPECT_EQ(unresolvedLinks(dest, server.hostPort(), report, 3), QStringList());
    }

    ModernSite site{server.hostPort()};
    QString start;
};

TEST_F(CompleteCopyTest, ThroughTheWindowACopyThatReadsOfflineAndOneBoxAtTheEnd) {
    const QString dest = outer.filePath("finestra");
    form->Text1->setText(start);
    form->Text3->setText(dest);
    form->Text2->setText("3");
    form->Check5->setChecked(true);
    form->Command4_Click();

    EXPECT_EQ(form->completeCopy().lastEnding(), CompleteCopyCommand::Ending::Finished);
    ASSERT_EQ(events.size(), 1) << events.join("\n|").toStdString();
    const QString box = events.value(0);
    EXPECT_TRUE(box.startsWith("Copia Sito Internet Terminata !!!\r\r")) << box.toStdString();
    for (const QString& count : {QStringLiteral("File copiati: 33 "), QStringLiteral("Non riusciti: 1\r"),
                                 QStringLiteral("Esclusi: 8\r"), QStringLiteral("Resoconto: ")})
        EXPECT_TRUE(box.contains(count)) << count.toStdString() << " in " << box.toStdString();
    const FileTree want = site.readOffline(site.expected(true));
    checkOffline(dest, want);
    checkReport(dest, true, false);
    // The level box and the panes show what was read.
    EXPECT_FALSE(form->txtLIVELLO->text().isEmpty());
    EXPECT_EQ(server.requestCount("/sito/docs/deep/c.html"), 0);
    EXPECT_EQ(server.requestCount("/sito/altro/pagina.html"), 0);

    // The same copy again brings the folder up to date: nothing has changed, nothing
    // is written again.
    const FileTree first = copied(dest);
    events.clear();
    form->Command4_Click();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].contains("File copiati: 0 ")) << events[0].toStdString();
    EXPECT_TRUE(events[0].contains("Nuovi: 0, cambiati: 0, invariati: 33, spariti: 0")) << events[0].toStdString();
    EXPECT_TRUE(copied(dest) == first);
    checkOffline(dest, want);
}

TEST_F(CompleteCopyTest, FromTheCommandLineHiddenWithLinesSummaryAndExitStatus) {
    const QString dest = outer.filePath("riga");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.start(MIRASITO_EXE, {"--copia", start, dest, "--livello", "3", "--completa", "--nascosto", "--come-servito"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    const QStringList out = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    // A line a file written or failed, then the summary with the new counts.
    ASSERT_FALSE(out.isEmpty());
    EXPECT_EQ(out.size(), 31 + 1 + 1 + 1) << out.join('\n').toStdString();
    EXPECT_TRUE(out.contains("0\t" + start + "\t" + QDir::cleanPath(dest) + "/sito/docs/index.html"));
    EXPECT_TRUE(out.contains("1\t" + server.url("/sito/docs/missing.html") + "\terrore 404 - Not Found"));
    EXPECT_TRUE(out.last().startsWith("riepilogo file=31 pagine=11 ")) << out.last().toStdString();
    for (const char* field : {" errori=1 ", " esclusi=8 ", " dal_browser=0 ", " resoconto="})
        EXPECT_TRUE(out.last().contains(field)) << field;
    EXPECT_TRUE(err.contains("Copia Sito Internet Terminata !!!\n\nFile copiati: 31 ")) << err.toStdString();

    const FileTree got = copied(dest);
    const FileTree want = site.expected(false);
    EXPECT_EQ(keysOf(got), keysOf(want));
    EXPECT_TRUE(got == want);
    checkReport(dest, false, true);
}

TEST_F(CompleteCopyTest, FileLimitRobotsOverrideWaitAndAStartThatFails) {
    const auto run = [&](const QStringList& args) {
        QProcess p;
        p.start(MIRASITO_EXE, QStringList{"--copia"} + args + QStringList{"--nascosto", "--completa"});
        p.waitForFinished(120000);
        return std::pair{p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    };
    // The limit ends the copy with status 2; what was still waiting is listed.
    const QString limited = outer.filePath("limite");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(run({start, limited, "--max-file", "4", "--attesa", "0.25"}).first, 2);
    EXPECT_GE(clock.elapsed(), 3 * 250);  // three requests after the first, a pause before each
    EXPECT_EQ(copied(limited).size(), 4);
    const QMap<QString, ReportLine> report = readReport(limited);
    EXPECT_GT(std::count_if(report.begin(), report.end(), [](const ReportLine& l) { return l.outcome == "escluso: limite di file"; }), 5);

    // Without robots.txt the private page is copied and robots.txt is not asked for.
    const int robotsAsked = server.requestCount("/robots.txt");
    const QString free = outer.filePath("senza-robots");
    EXPECT_EQ(run({start, free, "--livello", "1", "--ignora-robots"}).first, 0);
    EXPECT_TRUE(copied(free).contains("sito/docs/private/secret.html"));
    EXPECT_EQ(server.requestCount("/robots.txt"), robotsAsked);

    // A start page that cannot be fetched stops the copy with the reading message.
    const auto [code, err] = run({server.url("/sito/docs/missing.html"), outer.filePath("manca")});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("Errore nella lettura del sorgente .HTML !!! \n\n 404 - Not Found")) << err.toStdString();
}

// The boxes the copy starts from are checked as for the other copy, and a second
// copy in the middle of one is refused.
TEST_F(CompleteCopyTest, TheSameChecksAsTheOtherCopyAndOneCopyAtATime) {
    form->Check5->setChecked(true);
    form->Text1->setText("  ");
    form->Command4_Click();
    form->Text1->setText(start);
    form->Text3->setText(" ");
    form->Command4_Click();
    form->Text3->setText(outer.filePath("x"));
    form->Text1->setText("file:///tmp/x.htm");
    form->Command4_Click();
    EXPECT_EQ(events, QStringList({"<beep>", "Indicare un indirizzo Internet !!!", "<beep>",
                                   "Indicare la Path di destinazione del sito da copiare !!!", "<beep>",
                                   "Indicare un indirizzo Internet !!!"}));
    events.clear();
    int starts = 0;
    form->Text1->setText(start);
    form->Text3->setText(outer.filePath("una"));
    form->Text2->setText("1");
    // While the first copy waits for its first page, a click starts nothing more: it
    // asks whether to stop the copy (answered No, the copy goes on); "GO" leaves the
    // panes to the copy.
    QTimer::singleShot(0, form.get(), [&] {
        EXPECT_TRUE(form->completeCopy().running());
        form->Command4_Click();
        form->Check5->setChecked(false);
        form->Command4_Click();
        form->Command1_Click();
        ++starts;
    });
    form->Command4_Click();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(form->openPage().lastOutcome(), OpenPageCommand::Outcome::NotRun);
    ASSERT_EQ(events.size(), 3) << events.join('|').toStdString();
    EXPECT_EQ(events.mid(0, 2), QStringList({"Interrompere la copia?", "Interrompere la copia?"}));
    EXPECT_TRUE(events[2].startsWith("Copia Sito Internet Terminata !!!"));
    EXPECT_EQ(form->completeCopy().lastEnding(), CompleteCopyCommand::Ending::Finished);
    // Once by the copy, once by the browser pane: no second copy began.
    EXPECT_EQ(server.requestCount("/sito/docs/index.html"), 2);
}

// Where a redirect leads passes the rules of a link (robots.txt, the start folder),
// robots.txt is read whatever its line ends and byte-order mark, every address is
// counted once, and the file limit counts every file the copy writes.
TEST(CompleteCopyRules, RedirectsFollowTheRulesOfALinkAndTheLimitCountsEveryFile) {
    HttpServer server;
    QTemporaryDir tmp;
    server.setPage("/s/index.html", "<html><a href=go.html>1</a> <a href=out.html>2</a> <a href=in.html>3</a> "
                                    "<a href=priv/x.html>4</a> <a href=/other/p.png>5</a> <img src=pic.png> "
                                    "<a href=a/b/manca.html>6</a></html>");
    server.setPage("/robots.txt", "\xEF\xBB\xBFUser-agent: *\rDisallow: /s/priv/\r", "text/plain");
    server.setRedirect("/s/go.html", "/s/priv/y.html");
    server.setRedirect("/s/out.html", "/other/z.html");
    server.setRedirect("/s/in.html", "/s/in2.html");
    server.setRedirect("/s/pic.png", "/other/p.png");
    for (const char* path : {"/s/priv/x.html", "/s/priv/y.html", "/other/z.html", "/s/in2.html"})
        server.setPage(path, QByteArray("<html>") + path + "</html>");
    server.setPage("/other/p.png", "PNG", "image/png");
    const auto run = [&](const QString& dest, const QStringList& extra) {
        QProcess p;
        p.start(MIRASITO_EXE, QStringList{"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"} + extra);
        p.waitForFinished(60000);
        const QStringList out = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        return std::pair{p.exitCode(), out.isEmpty() ? QString() : out.last()};
    };

    const QString dest = tmp.filePath("tutto");
    const auto [code, summary] = run(dest, {});
    EXPECT_EQ(code, 0);
    for (const char* never : {"/s/priv/x.html", "/s/priv/y.html", "/other/z.html"})
        EXPECT_EQ(server.requestCount(never), 0) << never;
    const QMap<QString, ReportLine> report = readReport(dest);
    EXPECT_EQ(report.value(server.url("/s/go.html")).outcome,
              "escluso: reindirizzato a " + server.url("/s/priv/y.html") + ": robots.txt");
    EXPECT_EQ(report.value(server.url("/s/out.html")).outcome,
              "escluso: reindirizzato a " + server.url("/other/z.html") + ": fuori dalla cartella iniziale");
    EXPECT_EQ(report.value(server.url("/s/priv/x.html")).outcome, "escluso: robots.txt");
    EXPECT_EQ(report.value(server.url("/s/in.html")).outcome, "s/in.html");
    // Left out as a link, then taken as the end of a picture's redirect: one address.
    EXPECT_EQ(report.value(server.url("/other/p.png")).outcome, "other/p.png");
    // index, robots.txt, go, out, in, in2, pic, other/p.png, priv/x.html and a/b/manca.html.
    EXPECT_TRUE(summary.contains(" riferimenti=10 ")) << summary.toStdString();
    // A file that is not there makes no folder.
    EXPECT_FALSE(QFileInfo::exists(dest + "/s/a")) << "a folder for a missing file";

    // At most N files, robots.txt and a redirect's second name among them.
    for (const int limit : {1, 2, 5}) {
        const QString limited = tmp.filePath(QStringLiteral("limite%1").arg(limit));
        EXPECT_EQ(run(limited, {"--max-file", QString::number(limit)}).first, 2) << limit;
        FileTree files = fileTree(limited, Folders::Skipped);
        files.remove(kReport);
        files.remove("mirasito-stato.txt");
        EXPECT_EQ(files.size(), limit) << QStringList(files.keys()).join(' ').toStdString();
        EXPECT_TRUE(files.contains("s/index.html"));
    }
}

// A site whose pages name one reference a line, of a real site's size: the complete
// copy, made to read offline, holds every page and picture the first kind of copy
// takes, the pictures byte for byte and each page in the same file.
TEST_F(CompleteCopyTest, AOneReferenceALineSiteLosesNoPageOrPicture) {
    TreeSite tree;
    tree.fanOut = 3;
    tree.depth = 3;
    tree.images = 12;
    tree.minPageBytes = 2000;
    tree.maxPageBytes = 9000;
    tree.serve(server, "/doc/");
    const auto copy = [&](const QString& dest, const QStringList& extra) {
        QProcess p;
        p.start(MIRASITO_EXE, QStringList{"--copia", server.url("/doc/index.htm"), dest, "--livello", "5", "--nascosto"} +
                                  extra);
        EXPECT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << extra.join(' ').toStdString();
        // Each file by its name (the first copy puts the pictures beside the pages;
        // the site's names are all different).
        FileTree byName;
        const FileTree all = fileTree(dest, Folders::Skipped);
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if (!it.key().contains("mirasito-"))
                byName.insert(it.key().section('/', -1), it.value());
        return byName;
    };
    const FileTree first = copy(outer.filePath("prima"), {});
    const FileTree complete = copy(outer.filePath("completa"), {"--completa"});
    ASSERT_EQ(first.size(), tree.pages() + tree.images) << first.keys().join(' ').toStdString();
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        ASSERT_TRUE(complete.contains(it.key())) << it.key().toStdString();
        if (it.key().endsWith(".gif"))
            EXPECT_EQ(complete.value(it.key()), it.value()) << it.key().toStdString();
    }
}

} // namespace
