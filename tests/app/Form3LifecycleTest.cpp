// Load applies the in-house preset, activation changes nothing, closing ends the program.
#include "AppTestSupport.h"
#include "app/WebEngineEnvironment.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "fs/DoEvents.h"
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

TEST(Form3Lifecycle, InHousePresetNeedsAReadableMarkerFileAndTheProgramFolder) {
    enum Marker { None, File, Folder };
    const struct { Marker marker; bool folder, inHouse; } cases[] = {
        {None, false, false}, {None, true, false}, {File, false, false}, {File, true, true}, {Folder, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "marker " << c.marker << ", folder " << c.folder);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(c.marker == Folder ? "UTILITY/DOR-ZIP.EXE" : "UTILITY");
        if (c.folder)
            QDir(dir.path()).mkpath("VELT/PRG");
        if (c.marker == File)
            ASSERT_TRUE(QFile(dir.path() + "/UTILITY/DOR-ZIP.EXE").open(QIODevice::WriteOnly));
        EXPECT_EQ(InHousePreset::recognised(inHouseUnder(dir.path())), c.inHouse);
        Form3 f(inHouseUnder(dir.path()));
        EXPECT_EQ(f.windowTitle(), c.inHouse ? Form3::kCaption : Form3::kCaption + " - A. Fontana");
        EXPECT_EQ(f.Label6[0]->isHidden(), c.inHouse);
        EXPECT_EQ(f.Label6[1]->isHidden(), c.inHouse);
        QString settings = f.txtLOGIN->text() + '|' + f.txtPASSWORD->text() + '|' + f.txtPROXY->text() + '|' + f.txtPORTA->text();
        EXPECT_EQ(settings.replace(QRegularExpression("[A-Z]"), "X"), QString(c.inHouse ? "XXXXXX|XXXXX|XXX|8080" : "|||"));
        EXPECT_EQ(QStringList({f.Text1->text(), f.Text2->text(), f.txtLIVELLO->text()}), QStringList({"", "4", "0"}));
    }
}

TEST(Form3Lifecycle, ActivatingTheWindowStartsNothingAndChangesNothing) {
    QStringList messages;
    Messages::setScript([&](const Messages::Event& e) { messages << e.text; });
    OrdinaryForm f;
    f.show();
    // Everything a user or a command could see change on the window.
    auto snapshot = [&] {
        const SharedState& s = f.state();
        QStringList out{f.windowTitle(), f.RichTextBox1->Text(), s.WURL, s.WURL_DIR, s.WURL_FILE, s.WPATH_DEST,
                        s.WURL_ROOT, QString::number(s.WNOT_FOUND), QString::number(s.WY)};
        for (QWidget* w : f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            out << QString("%1|%2,%3,%4,%5|%6%7|").arg(w->objectName()).arg(Twips::left(w)).arg(Twips::top(w))
                           .arg(Twips::width(w)).arg(Twips::height(w)).arg(int(w->isHidden())).arg(int(w->isEnabled())) +
                       w->property("text").toString() + w->property("checked").toString();
        return out;
    };
    const QStringList before = snapshot();
    QApplication::setActiveWindow(&f);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&f, &activate);
    f.Form_Activate();
    QApplication::processEvents();
    EXPECT_EQ(snapshot(), before);
    Messages::setScript(nullptr);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(f.closes, 0);
}

// From inside a yielding loop the process leaves with code 0, its buffered output written out.
TEST(Form3LifecycleDeathTest, ClosingEndsTheProcessFromANestedEventLoop) {
    EXPECT_EXIT(
        {
            Form3 form(inHouseUnder(QDir::tempPath() + "/mirasito-nessuna-installazione"));
            form.show();
            std::clog << "comando in corso"; // buffered until the end flushes it
            QTimer::singleShot(100, &form, &QWidget::close);
            for (QDeadlineTimer deadline(15000); !deadline.hasExpired();)
                DoEvents();
            std::exit(3); // not reached when the close ends the program
        },
        ::testing::ExitedWithCode(0), "comando in corso");
}

// The browser engine will not start sandboxed as root, and the tests always set the
// variable: here the program decides alone. A value the user set is left as it is.
TEST(StartUp, AsRootTheProgramSwitchesTheEngineSandboxOffItself) {
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "the engine's sandbox refuses root on Linux only";
#else
    if (::getuid() != 0)
        GTEST_SKIP() << "not running as root";
    EXPECT_FALSE(webEngineSandboxUsable());
    const QByteArray testValue = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    const struct { std::optional<QByteArray> before; QByteArray after; } cases[] = {{std::nullopt, "1"}, {"0", "0"}};
    for (const auto& c : cases) {
        if (c.before)
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", *c.before);
        else
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        prepareWebEngineEnvironment();
        EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), c.after) << c.before.value_or("<unset>").constData();
    }
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", testValue);

    // The program itself, started without the variable: a sandboxed engine would end
    // it within a second of the start.
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QTWEBENGINE_DISABLE_SANDBOX");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    program.start(MIRASITO_EXE, {});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_FALSE(program.waitForFinished(3000)) << "ended with " << program.exitCode() << ":\n"
                                                << program.readAllStandardError().toStdString();
    program.kill();
    program.waitForFinished(10000);
#endif
}
