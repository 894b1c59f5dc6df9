// A complete copy made again into the same folder: only what changed is transferred,
// every file is said new, changed, unchanged, gone or failed, and nothing is lost
// when a copy is broken off or its state is damaged.
#include "tests/support/CompleteCopyFolder.h"
#include "tests/support/HttpServer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QByteArray kDate = "Mon, 07 Dec 2026 10:00:00 GMT";
const QDateTime kOld(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());

// Gives the file another time of its last change, to tell whether it is written again.
void touch(const QString& path, const QDateTime& when) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime)) << path.toStdString();
}

struct Outcome {
    int code = -1;
    QString err;
    QString summary;
};

class CompleteUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        dest = tmp.filePath("copia");
        page("/s/index.html", "<html><link rel=stylesheet href=s.css><a href=a.html>a</a> <a href=b.html>b</a> <img src=i.png></html>");
        page("/s/a.html", "<html>a</html>");
        page("/s/b.html", "<html>b <a href=c.html>c</a></html>");
        page("/s/c.html", "<html>c</html>");
        file("/s/s.css", "body{background:url(bg.png)}", "text/css");
        file("/s/i.png", "PNG-i", "image/png");
        file("/s/bg.png", "PNG-bg", "image/png");
        file("/robots.txt", "User-agent: *\nDisallow: /private/\n", "text/plain");
    }

    void file(const QString& path, const QByteArray& body, const QByteArray& type, bool honours = true,
              const QByteArray& date = kDate) {
        server.setPage(path, body, type);
        server.setValidators(path, date, '"' + QByteArray::number(qHash(body), 16) + '"', honours);
    }
    void page(const QString& path, const QByteArray& body, bool honours = true) {
        file(path, body, "text/html", honours);
    }

    QStringList args(const QStringList& extra = {}) const {
        return QStringList{"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"} + extra;
    }

    Outcome copy(const QStringList& extra = {}) {
        QProcess p;
        p.start(MIRASITO_EXE, args(extra));
        p.waitForFinished(60000);
        Outcome r{p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError()), QString()};
        for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
            if (line.startsWith("riepilogo "))
                r.summary = line;
        return r;
    }

    // The state of each file in the last report: address path -> word.
    QMap<QString, QString> states() const {
        QFile f(dest + "/mirasito-copia.txt");
        QMap<QString, QString> out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
            const QStringList fields = line.split('\t');
            if (!line.startsWith('#') && fields.size() >= 4)
                out.insert(QUrl(fields[2]).path(), fields[1]);
        }
        return out;
    }

    FileTree site() const { return copiedSite(dest); }

    HttpServer server;
    QTemporaryDir tmp;
    QString dest;
};

TEST_F(CompleteUpdateTest, OnlyWhatChangedIsTransferredAndEachFileIsSaidWhatBecameOfIt) {
    ASSERT_EQ(copy().code, 0);
    const FileTree first = site();
    EXPECT_EQ(first.size(), 8);
    EXPECT_EQ(QFileInfo(dest + "/s/a.html").lastModified().toUTC(), QDateTime(QDate(2026, 12, 7), QTime(10, 0), QTimeZone::utc()));

    // Nothing changed: every request carries its conditions and no body comes back.
    const int bodies = server.bodiesSent();
    const qsizetype before = server.requests().size();
    Outcome r = copy({"--aggiorna"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(server.bodiesSent(), bodies);
    const QList<HttpServer::Request> asked = server.requests().mid(before);
    EXPECT_EQ(asked.size(), 8);
    for (const HttpServer::Request& q : asked)
        EXPECT_FALSE(q.header("If-None-Match").isEmpty() || q.header("If-Modified-Since") != kDate) << q.line.toStdString();
    EXPECT_TRUE(r.summary.contains(" nuovi=0 cambiati=0 invariati=8 spariti=0 ")) << r.summary.toStdString();
    EXPECT_TRUE(r.err.contains("Nuovi: 0, cambiati: 0, invariati: 8, spariti: 0")) << r.err.toStdString();
    EXPECT_EQ(site(), first);

    // A changed page, a new one, one no longer linked (kept), one that now fails.
    page("/s/index.html", "<html><link rel=stylesheet href=s.css><a href=a.html>a</a> <a href=d.html>d</a> <img src=i.png></html>");
    page("/s/a.html", "<html>a, di nuovo</html>");
    page("/s/d.html", "<html>d</html>");
    server.setStatus("/s/i.png", 500, "Internal Server Error");
    const int bodies2 = server.bodiesSent();
    r = copy();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(server.bodiesSent() - bodies2, 3);  // index, a and d
    const QMap<QString, QString> s = states();
    const QMap<QString, QString> expected{{"/s/index.html", "cambiato"}, {"/s/a.html", "cambiato"},
                                          {"/s/d.html", "nuovo"},        {"/s/b.html", "sparito"},
                                          {"/s/c.html", "sparito"},      {"/s/i.png", "errore"},
                                          {"/s/s.css", "invariato"},     {"/s/bg.png", "invariato"},
                                          {"/robots.txt", "invariato"}};
    EXPECT_EQ(s, expected);
    EXPECT_TRUE(r.summary.contains(" nuovi=1 cambiati=2 invariati=3 spariti=2 ")) << r.summary.toStdString();
    const FileTree third = site();
    EXPECT_EQ(third.value("s/a.html"), "<html>a, di nuovo</html>");
    EXPECT_EQ(third.value("s/b.html"), first.value("s/b.html"));  // never deleted
    EXPECT_EQ(third.value("s/i.png"), "PNG-i");                   // a failure keeps the old file
    EXPECT_EQ(third.size(), 9);

    // The file that failed is asked for with its old conditions again, and comes back.
    file("/s/i.png", "PNG-i", "image/png");
    const int bodies3 = server.bodiesSent();
    r = copy();
    EXPECT_EQ(states().value("/s/i.png"), "invariato");
    EXPECT_EQ(server.bodiesSent(), bodies3);

    // Every file fetched again on request; the same bytes are still not written again.
    touch(dest + "/s/d.html", kOld);
    const int bodies4 = server.bodiesSent();
    r = copy({"--ricopia"});
    EXPECT_EQ(server.bodiesSent() - bodies4, 7);  // every file but the gone ones
    EXPECT_EQ(states().value("/s/d.html"), "invariato");
    EXPECT_EQ(QFileInfo(dest + "/s/d.html").lastModified().toUTC(), kOld);
}

// A server that answers every request in full: unchanged bytes are still said
// unchanged and their files are not written again.
TEST_F(CompleteUpdateTest, AServerThatIgnoresConditions) {
    for (const char* path : {"/s/index.html", "/s/a.html", "/s/b.html", "/s/c.html"})
        server.setValidators(path, QByteArray(), "\"x\"", false);
    ASSERT_EQ(copy().code, 0);
    touch(dest + "/s/b.html", kOld);
    page("/s/c.html", "<html>c cambiata</html>", false);
    const int bodies = server.bodiesSent();
    const Outcome r = copy();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(server.bodiesSent() - bodies, 4);
    EXPECT_EQ(states().value("/s/b.html"), "invariato");
    EXPECT_EQ(states().value("/s/c.html"), "cambiato");
    EXPECT_EQ(QFileInfo(dest + "/s/b.html").lastModified().toUTC(), kOld);
    EXPECT_EQ(site().value("s/c.html"), "<html>c cambiata</html>");
}

// A copy killed half way leaves the last state and the lines it wrote; the next one
// fetches again nothing it had settled, and loses no file. So also when the copy
// killed was a fresh one over a state that could not be used.
TEST_F(CompleteUpdateTest, ACopyKilledHalfWayIsTakenUpWhereItStopped) {
    for (int k = 0; k < 20; ++k)
        page(QStringLiteral("/s/p%1.html").arg(k), "<html>pagina " + QByteArray::number(k) + "</html>");
    QByteArray index = "<html>";
    for (int k = 0; k < 20; ++k)
        index += "<a href=p" + QByteArray::number(k) + ".html>p</a>";
    page("/s/index.html", index + "</html>");
    const QString state = dest + "/mirasito-stato.txt";
    const QString journal = dest + "/mirasito-stato.txt.nuovo";
    const QByteArray before[] = {QByteArray(), "\x00\x01 garbage\n",
                                 "inizio\thttp://altro.example/\nhttp://altro.example/\tindex.html\t\t\t\n"};
    for (const QByteArray& earlier : before) {
        QDir(dest).removeRecursively();
        if (!earlier.isEmpty()) {
            QDir().mkpath(dest);
            QFile f(state);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(earlier);
        }
        QProcess p;
        p.start(MIRASITO_EXE, args({"--attesa", "0.1"}));
        // Killed once a few files are settled.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            QFile f(journal);
            return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') >= 3 + 6;
        }, 20000));
        p.kill();
        p.waitForFinished();
        // The state of another copy, or a damaged one, no longer stands in the way of
        // this copy's lines: it was replaced as the copy began.
        EXPECT_EQ(QFile::exists(state), !earlier.isEmpty());
        if (!earlier.isEmpty()) {
            QFile f(state);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_TRUE(f.readAll().contains("inizio\t" + server.url("/s/index.html").toUtf8()));
        }
        const FileTree half = site();
        ASSERT_GE(half.size(), 6);

        const int bodies = server.bodiesSent();
        const Outcome r = copy();
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("copia da capo")) << r.err.toStdString();
        const FileTree whole = site();
        EXPECT_EQ(whole.size(), 22);
        // The start page, saved before the pages it links, led to them on the web; it
        // leads to their files now.
        for (auto it = half.begin(); it != half.end(); ++it)
            if (it.key() != "s/index.html")
                EXPECT_EQ(whole.value(it.key()), it.value()) << it.key().toStdString();
        EXPECT_TRUE(half.value("s/index.html").contains("href=" + server.url("/s/p0.html").toUtf8()));
        EXPECT_TRUE(whole.value("s/index.html").contains("href=p0.html>")) << whole.value("s/index.html").constData();
        // Files written before the kill may have missed their line: at most one per file
        // in flight is fetched again.
        EXPECT_LE(server.bodiesSent() - bodies, 22 - int(half.size()) + 1) << earlier.constData();
        EXPECT_FALSE(QFile::exists(journal));
        EXPECT_EQ(states().values().count("invariato") + states().values().count("nuovo"), 22);
    }
}

// An update cut short by the file limit keeps what it did not reach exactly as it
// was: the next update asks for those files with their conditions and finds them
// unchanged.
TEST_F(CompleteUpdateTest, AnUpdateCutShortByTheLimitKeepsWhatItDidNotReach) {
    ASSERT_EQ(copy().code, 0);
    const FileTree first = site();
    EXPECT_EQ(copy({"--max-file", "3"}).code, 2);
    QFile f(dest + "/mirasito-stato.txt");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\n" + server.url("/s/").toUtf8()), 7);  // the 7 files of /s/, robots.txt aside
    f.close();
    const int bodies = server.bodiesSent();
    const Outcome r = copy();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(server.bodiesSent(), bodies);
    EXPECT_TRUE(r.summary.contains(" nuovi=0 cambiati=0 invariati=8 spariti=0 ")) << r.summary.toStdString();
    EXPECT_EQ(site(), first);
}

// A state that cannot be read, or that is another start address's, gives a fresh copy.
TEST_F(CompleteUpdateTest, ADamagedOrForeignStateGivesAFreshCopy) {
    ASSERT_EQ(copy().code, 0);
    const QString state = dest + "/mirasito-stato.txt";
    const struct { QByteArray text; const char* note; } cases[] = {
        {"\x00\x01 garbage\n", "Stato della copia precedente illeggibile: copia da capo"},
        {"inizio\thttp://altro.example/\nhttp://altro.example/\tindex.html\t\t\t\n", "La copia precedente era di http://altro.example/: copia da capo"},
        {"inizio\t" + server.url("/s/index.html").toUtf8() + "\n" + server.url("/s/a.html").toUtf8() + "\t../../etc/passwd\t\t\"x\"\ttext/html\n",
         "Stato della copia precedente illeggibile: copia da capo"},
        {"inizio\t" + server.url("/s/index.html").toUtf8() + "\nincompleta", "Stato della copia precedente illeggibile: copia da capo"},
    };
    for (const auto& c : cases) {
        QFile f(state);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.text);
        f.close();
        const int bodies = server.bodiesSent();
        const Outcome r = copy();
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.err.contains(c.note)) << r.err.toStdString();
        EXPECT_EQ(server.bodiesSent() - bodies, 8) << c.note;
        EXPECT_TRUE(r.summary.contains(" nuovi=8 ")) << r.summary.toStdString();
        // The state is whole again: the next copy transfers nothing.
        const int again = server.bodiesSent();
        EXPECT_EQ(copy().code, 0);
        EXPECT_EQ(server.bodiesSent(), again);
    }
}

} // namespace
