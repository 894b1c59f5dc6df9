// The browser's libraries come with the pane's module, which the program loads when it
// may show pages and only then: a copy run without its window, or a question answered
// on the terminal, does without them, and a hidden copy copies the same.
#include "tests/support/HttpServer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

TEST(BrowserModule, LoadedOnlyByAProgramThatMayShowPages) {
    HttpServer server;
    server.setPage("/s/index.htm", "<html>\r\n<a href=\"a.htm\">\r\n</html>\r\n");
    server.setPage("/s/a.htm", "<html>a</html>");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const struct { QStringList args; bool copies, loads; } cases[] = {
        {{"--nascosto"}, true, false},
        {{"--completa", "--nascosto"}, true, false},
        {{}, true, true},  // the window is made, on a platform that shows it to nobody
        {{"--completa"}, true, true},
        {{"--version"}, false, false},  // questions answered on the terminal
        {{"--aiuto"}, false, false},
    };
    int run = 0;
    for (const auto& c : cases) {
        const QStringList args = (c.copies ? QStringList{"--copia", server.url("/s/index.htm"),
                                                         tmp.filePath(QString::number(++run)), "--livello", "1"}
                                           : QStringList()) +
                                 c.args;
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LD_DEBUG", "files");  // the system's loader names every library it loads
        p.setProcessEnvironment(env);
        p.start(MIRASITO_EXE, args);
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
        EXPECT_EQ(out.contains("riepilogo file=2 "), c.copies) << out.toStdString();
        EXPECT_EQ(err.contains("libmirasito-browser"), c.loads);
        EXPECT_EQ(err.contains("libQt6WebEngineCore"), c.loads);
        EXPECT_EQ(err.contains("libQt6Quick"), c.loads);
        EXPECT_FALSE(err.contains("il browser non si carica"));
    }
}

// A program that shows pages prepares its engine's environment itself: started with
// none of the engine's variables, the engine runs with the program's quiet flags and,
// for root, without the sandbox it could not start.
TEST(BrowserModule, TheWindowStartsItsEngineWithTheProgramsOwnSettings) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QTWEBENGINE_DISABLE_SANDBOX");
    env.remove("QTWEBENGINE_CHROMIUM_FLAGS");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TMPDIR", tmp.path());  // the window is killed: its working folder stays there
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(MIRASITO_EXE, {});
    ASSERT_TRUE(p.waitForStarted(10000));
    QString said;
    // The engine says how it was started once the window has made it.
    for (QDeadlineTimer t(60000); !said.contains("disable-background-networking") && !t.hasExpired() &&
                                  p.state() == QProcess::Running;) {
        p.waitForReadyRead(200);
        said += QString::fromLocal8Bit(p.readAll());
    }
    p.kill();
    p.waitForFinished(10000);
    said += QString::fromLocal8Bit(p.readAll());
    EXPECT_TRUE(said.contains("disable-background-networking")) << said.toStdString();
#ifndef _WIN32
    if (::getuid() == 0)
        EXPECT_TRUE(said.contains("Sandboxing disabled")) << said.toStdString();
#endif
}
