// A long complete copy shows how far it has come and stops cleanly when asked: in the
// window (Escape or a second click on "Copia sito", then Sì), and from the command line
// (SIGINT, SIGTERM). What was settled stays; the next copy takes it up.
#include "app/Form3.h"
#include "completecopy/CompleteCopyCommand.h"
#include "tests/copier/FormFixture.h"
#include "tests/support/CompleteCopyFolder.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <csignal>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QByteArray kDate = "Mon, 07 Dec 2026 10:00:00 GMT";
constexpr int kFiles = 1 + 2 + 30 * 2;  // index, robots.txt, style, 30 pages with a picture each

// Thirty pages with a picture each, every answer a little late, every file with its
// validators (so that the next copy transfers again only what it had not settled).
void serveSlowly(HttpServer& server, int delayMs) {
    const auto serve = [&server](const QString& path, const QByteArray& body, const QByteArray& type) {
        server.setPage(path, body, type);
        server.setValidators(path, kDate, '"' + QByteArray::number(qHash(path), 16) + '"');
    };
    QByteArray index = "<html><link rel=stylesheet href=s.css>";
    for (int p = 1; p <= 30; ++p) {
        const QByteArray n = QByteArray::number(p);
        index += "<a href=p" + n + ".html>" + n + "</a>";
        serve("/s/p" + n + ".html", "<html><img src=p" + n + ".png></html>", "text/html");
        serve("/s/p" + n + ".png", "PNG" + n, "image/png");
    }
    serve("/s/index.html", index + "</html>", "text/html");
    serve("/s/s.css", "body{color:black}", "text/css");
    serve("/robots.txt", "User-agent: *\nDisallow: /privato/\n", "text/plain");
    server.setDelay(QString(), delayMs);
}

// The number after "name=" in a summary.
int field(const QString& line, const QString& name) {
    const QRegularExpressionMatch m = QRegularExpression(name + QStringLiteral("=(\\d+)")).match(line);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The stopped copy left what it settled whole, no temporary file, its state and a
// report that says it was interrupted; the next copy finishes it, fetching again at
// most what was in flight.
void expectTakenUp(HttpServer& server, const QString& dest, int inFlight) {
    EXPECT_TRUE(reportEnd(dest).startsWith("# interrotta\t")) << reportEnd(dest).toStdString();
    EXPECT_EQ(temporaryFilesIn(dest), QStringList());
    EXPECT_TRUE(QFile::exists(dest + "/mirasito-stato.txt"));
    EXPECT_FALSE(QFile::exists(dest + "/mirasito-stato.txt.nuovo"));
    const int settled = int(copiedSite(dest).size());
    EXPECT_LT(settled, kFiles);
    const int bodies = server.bodiesSent();
    QProcess p;
    p.start(MIRASITO_EXE, {"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"});
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(reportEnd(dest).startsWith("# fine\t"));
    EXPECT_EQ(copiedSite(dest).size(), kFiles);
    EXPECT_LE(server.bodiesSent() - bodies, kFiles - settled + inFlight);
}

class CompleteCopyStopTest : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        serveSlowly(server, 60);
        dest = outer.filePath("copia");
    }
    bool journalHas(int files) const {
        QFile f(dest + "/mirasito-stato.txt.nuovo");
        return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') >= 3 + files;
    }
    // The program's temporary folder (TMPDIR) is one of the test's own, to see what it leaves there.
    QString temporaryFolder() const { return outer.filePath("tmp"); }
    QProcessEnvironment withOwnTemporaryFolder() const {
        QDir().mkpath(temporaryFolder());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", temporaryFolder());
        return env;
    }
    // What the program left there, but for the runtime folder Qt makes for itself
    // when the session has none.
    QStringList leftInTemporaryFolder() const {
        QStringList left = QDir(temporaryFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.removeIf([](const QString& name) { return name.startsWith("runtime-"); });
        return left;
    }
    QString dest;
};

TEST_F(CompleteCopyStopTest, InTheWindowTheTitleShowsTheProgressAndTheUserStopsIt) {
    form->Text1->setText(server.url("/s/index.html"));
    form->Text3->setText(dest);
    form->Check5->setChecked(true);
    // Escape reaches a window somebody is using.
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const QString caption = form->windowTitle();
    // Escape is answered No (the copy goes on), the second click Sì.
    onMessage = [&](const Messages::Event& e) { e.yes = e.kind == Messages::Event::Ask && events.count(e.text) == 2; };
    QStringList titles;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (titles.isEmpty() || titles.last() != form->windowTitle())
            titles << form->windowTitle();
        if (journalHas(6) && events.isEmpty())
            QTest::keyClick(form->Text1, Qt::Key_Escape);
        if (journalHas(12) && events.size() == 1)
            form->Command4_Click();
    });
    watch.start(20);
    form->Command4_Click();
    watch.stop();

    EXPECT_EQ(form->completeCopy().lastEnding(), CompleteCopyCommand::Ending::Interrupted);
    ASSERT_EQ(events.size(), 3) << events.join('|').toStdString();
    EXPECT_EQ(events.mid(0, 2), QStringList({"Interrompere la copia?", "Interrompere la copia?"}));
    EXPECT_TRUE(events[2].startsWith("Copia Sito Internet Interrotta !!!\r\rLa prossima \"Copia sito\" con "
                                     "\"Copia completa\" la riprende")) << events[2].toStdString();
    // The title said how far the copy had come, and the caption came back.
    const QStringList progress = titles.filter(QRegularExpression(
        "^Mirasito \u2014 copia: \\d+ file, \\d+ in attesa, [\\d,]+ (byte|kB|MB), \\d+ error[ei], livello [012]$"));
    EXPECT_GE(progress.size(), 2) << titles.join('\n').toStdString();
    EXPECT_EQ(form->windowTitle(), caption);
    // The title never gave more files than the copy settled.
    const int files = field(reportEnd(dest), "file") + field(reportEnd(dest), "invariati");
    EXPECT_LE(progress.last().section(' ', 3, 3).toInt(), files);
    expectTakenUp(server, dest, 4);
}

// SIGINT and SIGTERM stop a copy from the command line the same clean way, with the
// conventional exit status; the progress line is for a terminal only.
TEST_F(CompleteCopyStopTest, FromTheCommandLineASignalStopsItCleanly) {
    const struct { int signal; int status; } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        QDir(dest).removeRecursively();
        QProcess p;
        p.setProcessEnvironment(withOwnTemporaryFolder());
        p.start(MIRASITO_EXE, {"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return journalHas(8); }, 30000));
        ::kill(pid_t(p.processId()), c.signal);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.status);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(err.contains("Copia Sito Internet Interrotta !!!")) << err.toStdString();
        EXPECT_FALSE(err.contains('\r') || err.contains(" in attesa, ")) << err.toStdString();
        const QString summary = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).last();
        EXPECT_EQ(field(summary, "errori"), field(reportEnd(dest), "errori"));
        EXPECT_EQ(leftInTemporaryFolder(), QStringList());
        expectTakenUp(server, dest, 4);
    }
    // Nor does a copy that ends by itself leave a working folder of its own behind.
    for (const QStringList& how : {QStringList{"--completa"}, QStringList{"--livello", "2"}}) {
        QProcess p;
        p.setProcessEnvironment(withOwnTemporaryFolder());
        p.start(MIRASITO_EXE, QStringList{"--copia", server.url("/s/index.html"), outer.filePath("fine"), "--nascosto"} + how);
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << how.join(' ').toStdString();
        EXPECT_EQ(leftInTemporaryFolder(), QStringList())
            << how.join(' ').toStdString();
    }
}

// A copy broken off reads offline down to the levels it finished: as it reaches each
// level, the pages above it are mended to lead to the files taken since.
TEST_F(CompleteCopyStopTest, ACopyKilledReadsOfflineDownToTheLevelsItFinished) {
    QProcess p;
    p.start(MIRASITO_EXE, {"--copia", server.url("/s/index.html"), dest, "--completa", "--nascosto"});
    // Killed once a picture (the second level) is settled.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QFile f(dest + "/mirasito-stato.txt.nuovo");
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(".png\t");
    }, 30000));
    p.kill();
    p.waitForFinished();
    const QByteArray index = copiedSite(dest).value("s/index.html");
    EXPECT_TRUE(index.contains("<link rel=stylesheet href=s.css>")) << index.constData();
    for (int page = 1; page <= 30; ++page)
        EXPECT_TRUE(index.contains(QStringLiteral("<a href=p%1.html>").arg(page).toUtf8())) << page;
}

// At a terminal one line is written over as the copy goes; its last figures are those
// of the report.
TEST_F(CompleteCopyStopTest, AtATerminalOneProgressLineMatchesTheReport) {
    if (QStandardPaths::findExecutable("script").isEmpty())
        GTEST_SKIP() << "no script(1) to give the copy a terminal";
    QProcess p;
    const QString command = QStringLiteral("'%1' --copia '%2' '%3' --completa --nascosto 2>&1 >/dev/null")
                                .arg(MIRASITO_EXE, server.url("/s/index.html"), dest);
    p.start("script", {"-qfec", command, "/dev/null"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString terminal = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QStringList lines = terminal.split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
    // A line shorter than the one before it is written with blanks over the rest.
    QStringList progress = lines.filter(QRegularExpression("^copia: \\d+ file, \\d+ in attesa, .+/s, \\d+ error[ei]"));
    for (QString& line : progress)
        line = line.trimmed();
    ASSERT_FALSE(progress.isEmpty()) << terminal.toStdString();
    const QString end = reportEnd(dest);
    EXPECT_TRUE(progress.last().startsWith(QStringLiteral("copia: %1 file, 0 in attesa, ")
                                               .arg(field(end, "file") + field(end, "invariati"))))
        << progress.last().toStdString() << " / " << end.toStdString();
    EXPECT_TRUE(progress.last().endsWith(QStringLiteral(" %1 errori").arg(field(end, "errori"))))
        << progress.last().toStdString();
}

} // namespace
