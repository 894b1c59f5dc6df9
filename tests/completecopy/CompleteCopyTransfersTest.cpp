// A complete copy with several transfers at once: the same copy as one at a time,
// a busy site waited for, large files written as they arrive and continued when cut,
// and a window closed in the middle of transfers.
#include "app/Form3.h"
#include "tests/support/CompleteCopyFolder.h"
#include "tests/support/HttpServer.h"
#include "tests/support/OwnXServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QByteArray kEtag = "\"v1\"";
const QByteArray kDate = "Mon, 07 Dec 2026 10:00:00 GMT";

// A site of three sections of six pages, two pictures a page, a stylesheet, a
// redirect and a missing page; every answer comes after a delay. Every file has its
// validators.
void serveSections(HttpServer& server, int delayMs) {
    const auto serve = [&server](const QString& path, const QByteArray& body, const QByteArray& type = "text/html") {
        server.setPage(path, body, type);
        server.setValidators(path, kDate, '"' + QByteArray::number(qHash(path), 16) + '"');
    };
    QByteArray index = "<html><link rel=stylesheet href=s.css><a href=vecchia.html>v</a> <a href=manca.html>m</a>";
    for (int s = 1; s <= 3; ++s) {
        index += "<a href=s" + QByteArray::number(s) + "/>sezione</a>";
        QByteArray section = "<html>";
        for (int p = 1; p <= 6; ++p) {
            const QByteArray name = "p" + QByteArray::number(p);
            section += "<a href=" + name + ".html>" + name + "</a>";
            const QString path = QStringLiteral("/s/s%1/%2.html").arg(s).arg(QString::fromLatin1(name));
            serve(path, "<html><img src=" + name + ".png><img src=../comune.png><a href=../index.html>su</a> "
                        "<a href=p" + QByteArray::number(p % 6 + 1) + ".html>avanti</a></html>");
            serve(path.chopped(4) + "png", "PNG" + path.toLatin1(), "image/png");
        }
        serve(QStringLiteral("/s/s%1/").arg(s), section + "</html>");
    }
    serve("/s/index.html", index + "</html>");
    serve("/s/s.css", "body{background:url(sfondo.png)}", "text/css");
    serve("/s/sfondo.png", "PNG-sfondo", "image/png");
    serve("/s/comune.png", "PNG-comune", "image/png");
    serve("/s/nuova.html", "<html>nuova</html>");
    server.setRedirect("/s/vecchia.html", "/s/nuova.html");
    server.setStatus("/s/manca.html", 404, "Not Found");
    server.setDelay(QString(), delayMs);
}

struct Copy {
    int code = -1;
    QString summary;
    QString err;
};

Copy copy(const HttpServer& server, const QString& dest, const QStringList& extra = {}) {
    QProcess p;
    p.start(MIRASITO_EXE, QStringList{"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"} + extra);
    p.waitForFinished(120000);
    Copy c{p.exitCode(), QString(), QString::fromLocal8Bit(p.readAllStandardError())};
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("riepilogo "))
            c.summary = line;
    return c;
}

// The copy's files with the site's address written as H (a page links what was not
// copied at its address on the web).
FileTree withoutPort(FileTree files, const QString& hostPort) {
    for (QByteArray& bytes : files)
        bytes.replace(hostPort.toLatin1(), "H");
    return files;
}

// The report's lines (all but its comments and its time), sorted: the same copy gives
// the same lines whatever the order the files came in.
QStringList reportLines(const QString& dest) {
    QFile f(dest + "/mirasito-copia.txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith('#'))
            lines << line;
    lines.sort();
    return lines;
}

TEST(CompleteCopyTransfers, FourConnectionsGiveTheSameCopyAsOne) {
    HttpServer one, four;
    serveSections(one, 25);
    serveSections(four, 25);
    QTemporaryDir tmp;
    const Copy a = copy(one, tmp.filePath("uno"), {"--connessioni", "1"});
    const Copy b = copy(four, tmp.filePath("quattro"), {"--connessioni", "4"});
    EXPECT_EQ(a.code, 0) << a.err.toStdString();
    EXPECT_EQ(b.code, 0) << b.err.toStdString();
    EXPECT_EQ(one.mostAnsweredAtOnce(), 1);
    EXPECT_GT(four.mostAnsweredAtOnce(), 1);
    EXPECT_LE(four.mostAnsweredAtOnce(), 4);
    // The same files, levels and report entries (the servers' ports aside), each
    // address asked for once.
    const FileTree first = copiedSite(tmp.filePath("uno"));
    EXPECT_EQ(first.size(), 45);
    EXPECT_TRUE(withoutPort(first, one.hostPort()) == withoutPort(copiedSite(tmp.filePath("quattro")), four.hostPort()));
    EXPECT_EQ(reportLines(tmp.filePath("uno")).join('\n').replace(one.hostPort(), "H"),
              reportLines(tmp.filePath("quattro")).join('\n').replace(four.hostPort(), "H"));
    EXPECT_EQ(a.summary.section(" secondi=", 0, 0), b.summary.section(" secondi=", 0, 0));
    // One at a time, the requests go out in the copy's order: level by level, and the
    // second address of a redirect right after the first.
    QMap<QString, int> levelOf;
    for (const QString& line : reportLines(tmp.filePath("uno"))) {
        const QStringList fields = line.split('\t');
        if (fields.size() > 2)
            levelOf.insert(QUrl(fields[2]).path(), fields[0].toInt());
    }
    QStringList order;
    int lastLevel = 0;
    for (const HttpServer::Request& r : one.requests()) {
        order << r.path;
        const int level = levelOf.value(r.path, lastLevel);
        EXPECT_GE(level, lastLevel) << r.path.toStdString();
        lastLevel = level;
    }
    EXPECT_EQ(lastLevel, 3);
    EXPECT_EQ(order.indexOf("/s/nuova.html"), order.indexOf("/s/vecchia.html") + 1) << order.join(' ').toStdString();
    for (const HttpServer* server : {&one, &four}) {
        QMap<QString, int> asked;
        for (const HttpServer::Request& r : server->requests())
            ++asked[r.path];
        for (auto it = asked.begin(); it != asked.end(); ++it)
            EXPECT_EQ(it.value(), 1) << it.key().toStdString();
    }
}

// 429 and 503 with Retry-After: the site is asked again after the wait it names, one
// request at a time from then on; no file fails.
TEST(CompleteCopyTransfers, ABusySiteIsWaitedForAndNothingFails) {
    HttpServer server;
    serveSections(server, 0);
    server.setRetryAfter("/s/s1/p1.png", 429, 1, 2);
    server.setRetryAfter("/s/s2/", 503, 1, 1);
    QTemporaryDir tmp;
    QElapsedTimer clock;
    clock.start();
    const Copy c = copy(server, tmp.filePath("copia"));
    EXPECT_GE(clock.elapsed(), 2000);  // at least the two waits of the first picture
    EXPECT_EQ(c.code, 0);
    EXPECT_TRUE(c.summary.contains(" errori=1 ")) << c.summary.toStdString();  // the missing page alone
    EXPECT_EQ(copiedSite(tmp.filePath("copia")).value("s/s1/p1.png"), "PNG/s/s1/p1.html");
    EXPECT_EQ(server.requestCount("/s/s1/p1.png"), 3);
    EXPECT_EQ(copiedSite(tmp.filePath("copia")).size(), 45);

    // Busy from the start page on: one request at a time for the whole copy.
    HttpServer busy;
    serveSections(busy, 20);
    busy.setRetryAfter("/s/index.html", 429, 0, 1);
    const Copy slow = copy(busy, tmp.filePath("piano"));
    EXPECT_EQ(slow.code, 0);
    EXPECT_EQ(copiedSite(tmp.filePath("piano")).size(), 45);
    EXPECT_EQ(busy.mostAnsweredAtOnce(), 1);
}

// A large file is written as it arrives; cut short (the connection lost, or the
// program killed), the next copy continues it with Range and If-Range, or takes it
// whole from a server that sends it again.
TEST(CompleteCopyTransfers, ALargeFileCutShortIsContinued) {
    constexpr qint64 kSize = 3 * 1024 * 1024;
    constexpr qint64 kCut = 1536 * 1024;
    const struct { bool killed; bool serverIgnoresRange; } cases[] = {{false, false}, {true, false}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "killed " << c.killed << ", range ignored " << c.serverIgnoresRange);
        HttpServer server;
        server.setPage("/s/index.html", "<html><a href=grande.bin>immagine del disco</a></html>");
        server.setValidators("/s/index.html", kDate, "\"i\"");
        server.setPage("/s/grande.bin", QByteArray());
        server.setGeneratedPage("/s/grande.bin", kSize);
        server.setValidators("/s/grande.bin", kDate, kEtag);
        server.setCutAfter("/s/grande.bin", kCut, 1, c.killed);
        server.setIgnoresRange("/s/grande.bin", c.serverIgnoresRange);
        QTemporaryDir tmp;
        const QString dest = tmp.filePath("copia");
        if (c.killed) {
            QProcess p;
            p.start(MIRASITO_EXE, {"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"});
            // Killed once the part is noted, while the server holds the rest back.
            ASSERT_TRUE(QTest::qWaitFor([&] {
                QFile f(dest + "/mirasito-stato.txt.nuovo");
                return f.open(QIODevice::ReadOnly) && f.readAll().contains("parziale\t");
            }, 20000));
            QTest::qWait(300);
            p.kill();
            p.waitForFinished();
        } else {
            EXPECT_TRUE(copy(server, dest).summary.contains(" errori=1 "));
        }
        EXPECT_GE(QFileInfo(dest + "/s/grande.bin.mirasito-parte").size(), 1024 * 1024);
        EXPECT_FALSE(QFile::exists(dest + "/s/grande.bin"));

        const qsizetype before = server.requests().size();
        const Copy again = copy(server, dest);
        EXPECT_EQ(again.code, 0) << again.err.toStdString();
        const QList<HttpServer::Request> requests = server.requests().mid(before);
        const auto big = std::find_if(requests.begin(), requests.end(),
                                      [](const HttpServer::Request& r) { return r.path == "/s/grande.bin"; });
        ASSERT_NE(big, requests.end());
        const HttpServer::Request asked = *big;
        EXPECT_TRUE(asked.header("Range").startsWith("bytes=")) << asked.header("Range").constData();
        EXPECT_EQ(asked.header("If-Range"), kEtag);
        QFile whole(dest + "/s/grande.bin");
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        EXPECT_EQ(whole.size(), kSize);
        EXPECT_TRUE(whole.readAll() == HttpServer::generatedBytes(0, kSize));
        EXPECT_EQ(temporaryFilesIn(dest), QStringList());
        // Nothing is left to continue: the next copy finds the file up to date.
        const int bodies = server.bodiesSent();
        EXPECT_EQ(copy(server, dest).code, 0);
        EXPECT_EQ(server.bodiesSent(), bodies);
    }
}

// Closing the window ends the program at once, even with four transfers running: no
// temporary file is left, the state is whole, and the next copy takes it up.
TEST(CompleteCopyTransfers, TheWindowClosedMidCopyLeavesNoTemporaryFile) {
    HttpServer server;
    serveSections(server, 150);
    const OwnXServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start";
    QTemporaryDir tmp;
    const QString dest = tmp.filePath("copia");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("DISPLAY", QString::fromLatin1(x.display()));
    program.setProcessEnvironment(env);
    program.start(MIRASITO_EXE, {"--copia", server.url("/s/index.html"), dest, "--completa", "--connessioni", "4"});
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QFile f(dest + "/mirasito-stato.txt.nuovo");
        return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') >= 3 + 8;
    }, 60000));
    // The window's title says how far the copy has come.
    QString title;
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.findWindow(QStringLiteral("Mirasito \u2014 copia: "), &title) != 0; }, 20000));
    EXPECT_TRUE(title.contains(" in attesa, ")) << title.toStdString();
    EXPECT_TRUE(x.closeUntilEnded(QStringLiteral("Mirasito"), program, 60000));
    ASSERT_EQ(program.state(), QProcess::NotRunning);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(temporaryFilesIn(dest), QStringList());
    const int settled = copiedSite(dest).size();
    EXPECT_LT(settled, 45);

    const int bodies = server.bodiesSent();
    const Copy again = copy(server, dest);
    EXPECT_EQ(again.code, 0);
    EXPECT_FALSE(again.err.contains("copia da capo")) << again.err.toStdString();
    EXPECT_EQ(copiedSite(dest).size(), 45);
    // Files in flight when the window closed are fetched again, at most one a transfer.
    EXPECT_LE(server.bodiesSent() - bodies, 45 - settled + 4);
}

} // namespace
