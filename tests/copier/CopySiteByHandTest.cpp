// A copy as a person makes it: the program started under a real X server, the
// address and the destination typed, "Copia sito" clicked, the final message closed.
#include "tests/support/FileTree.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The X server of this test, its own, so that no other test moves its pointer.
QString g_display;

// Runs xdotool on that server; its standard output, trimmed, or nothing when it failed.
std::optional<QString> xdotool(const QStringList& args, int timeoutMs = 20000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", g_display);
    p.setProcessEnvironment(env);
    p.start("xdotool", args);
    if (!p.waitForFinished(timeoutMs) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The first window whose name matches, waiting for it; empty when none came.
QString windowNamed(const QString& pattern, int timeoutMs) {
    return xdotool({"search", "--sync", "--onlyvisible", "--name", pattern}, timeoutMs).value_or(QString()).section('\n', 0, 0);
}

QStringList filesUnder(const QString& root) {
    return fileTree(root).keys();
}

TEST(CopySiteByHand, TypedAddressAndDestinationClickedCopyClosedMessage) {
    for (const char* tool : {"Xvfb", "xdotool"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed";

    // Xvfb writes the number of the display it took once it is ready.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb.waitForStarted());
    struct StopServer {
        QProcess& p;
        ~StopServer() {
            p.terminate();
            p.waitForFinished(5000);
        }
    } stopServer{xvfb};
    ASSERT_TRUE(QTest::qWaitFor([&] { return xvfb.canReadLine() || xvfb.state() != QProcess::Running; }, 20000));
    const QByteArray number = xvfb.readLine().trimmed();
    ASSERT_FALSE(number.isEmpty()) << "Xvfb did not start";
    g_display = ":" + QString::fromLatin1(number);

    HttpServer server;
    const QByteArray index = "<html><body>\r\n<a href=\"a.htm\">A</a>\r\n<img src=\"img/x.gif\">\r\n"
                             "<a href=\"sub/b.htm\">B</a>\r\n</body></html>\r\n";
    const QByteArray a = "<html><body>\n<a href=\"index.htm\">su</a>\n</body></html>\n";
    const QByteArray b = "<html><body>\r\n<a href=\"c.htm\">C</a>\r\n</body></html>\r\n";
    const QByteArray c = "<html><body>c</body></html>";
    const QByteArray gif = "GIF89a-finta-immagine";
    server.setPage("/site/index.htm", index);
    server.setPage("/site/a.htm", a);
    server.setPage("/site/img/x.gif", gif, "image/gif");
    server.setPage("/site/sub/b.htm", b);
    server.setPage("/site/sub/c.htm", c);

    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dest = tmp.filePath("copia");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", g_display);
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.remove("QTWEBENGINE_CHROMIUM_FLAGS"); // the engine's flags of the tests: the program sets its own
    program.setProcessEnvironment(env);
    program.start(MIRASITO_EXE, {});
    ASSERT_TRUE(program.waitForStarted());
    struct Stop {
        QProcess& p;
        ~Stop() {
            p.terminate();
            if (!p.waitForFinished(5000))
                p.kill();
            p.waitForFinished();
        }
    } stop{program};

    // The window is made once: composed in memory on this server's software OpenGL,
    // it is not made again when the browser pane first shows a page.
    const QString window = windowNamed("Mirasito Internet", 20000);
    ASSERT_FALSE(window.isEmpty()) << "the main window did not appear";
    // Pixels per twip from the window's width (11880 twips across).
    const QString geometry = xdotool({"getwindowgeometry", "--shell", window}).value_or(QString());
    const int width = geometry.section("WIDTH=", 1).section('\n', 0, 0).toInt();
    ASSERT_GT(width, 0) << geometry.toStdString();
    const double scale = width / 11880.0;
    auto clickAt = [&](double left, double top, double w, double h) {
        const QString x = QString::number(qRound((left + w / 2) * scale));
        const QString y = QString::number(qRound((top + h / 2) * scale));
        return xdotool({"mousemove", "--window", window, x, y, "click", "1"}).has_value();
    };

    // The address box selects its text when it takes the focus; the destination box
    // is cleared by hand.
    ASSERT_TRUE(clickAt(555, 45, 4920, 300));
    QTest::qWait(300);
    ASSERT_TRUE(xdotool({"type", "--delay", "20", server.url("/site/index.htm")}).has_value());
    ASSERT_TRUE(clickAt(90, 540, 5385, 300));
    ASSERT_TRUE(xdotool({"key", "ctrl+a", "BackSpace"}).has_value());
    ASSERT_TRUE(xdotool({"type", "--delay", "20", dest}).has_value());
    ASSERT_TRUE(clickAt(5520, 30, 915, 375)); // "Copia sito"

    const QString box = windowNamed("^Mirasito$", 60000);
    ASSERT_FALSE(box.isEmpty()) << "no message box at the end of the copy";
    EXPECT_EQ(windowNamed("Mirasito Internet", 5000), window) << "the main window was made again";
    // The engine reports its set-up on standard error: on this server's software
    // OpenGL the window is drawn in memory, so the engine draws without OpenGL too.
    const QString engineSetUp = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(engineSetUp.contains("GL Type: disabled")) << engineSetUp.toStdString();
    EXPECT_EQ(filesUnder(dest), QStringList({"a.htm", "img/", "index.htm", "sub/", "sub/b.htm", "sub/c.htm",
                                             "x.gif"}));
    auto bytes = [&](const QString& name) {
        QFile f(dest + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_EQ(bytes("index.htm"), index);
    EXPECT_EQ(bytes("a.htm"), a);
    EXPECT_EQ(bytes("sub/b.htm"), b);
    EXPECT_EQ(bytes("sub/c.htm"), c);
    EXPECT_EQ(bytes("x.gif"), gif);

    // Closing the box lets the program go on: the window answers again and no other
    // box follows.
    ASSERT_TRUE(xdotool({"key", "Return"}).has_value());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !xdotool({"search", "--onlyvisible", "--name", "^Mirasito$"}, 2000); }, 5000));
    EXPECT_EQ(program.state(), QProcess::Running);
}

} // namespace
