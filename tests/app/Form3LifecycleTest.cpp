// Activation starts nothing; closing the window ends the program at once, also from
// inside a command that is yielding to the event loop.
#include "AppTestSupport.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "fs/DoEvents.h"
#include "tests/support/HttpServer.h"
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

// Everything a user or a command could see change on the window.
QStringList snapshot(Form3& f) {
    QStringList out{f.windowTitle(), f.RichTextBox1->Text()};
    for (QWidget* w : f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        QString s = w->objectName() + '|' + QString::number(Twips::left(w)) + ',' +
                    QString::number(Twips::top(w)) + ',' + QString::number(Twips::width(w)) + ',' +
                    QString::number(Twips::height(w)) + '|' + (w->isHidden() ? "hidden" : "shown") +
                    (w->isEnabled() ? "" : "|disabled");
        if (auto* e = qobject_cast<QLineEdit*>(w)) s += '|' + e->text();
        if (auto* c = qobject_cast<QCheckBox*>(w)) s += c->isChecked() ? "|1" : "|0";
        if (auto* b = qobject_cast<QPushButton*>(w)) s += '|' + b->text();
        out << s;
    }
    const SharedState& st = f.state();
    out << st.WURL << st.WURL_DIR << st.WURL_FILE << st.WPATH_DEST << st.WURL_ROOT
        << QString::number(st.WNOT_FOUND) << QString::number(st.WY);
    return out;
}

struct RecordedMessages {
    QStringList events;
    RecordedMessages() {
        Messages::setScript([this](const Messages::Event& e) {
            events << (e.kind == Messages::Event::Box ? e.text : QStringLiteral("<beep>"));
        });
    }
    ~RecordedMessages() { Messages::setScript(nullptr); }
};

} // namespace

TEST(Form3Lifecycle, ActivatingTheWindowStartsNothingAndChangesNothing) {
    RecordedMessages messages;
    OrdinaryForm f;
    f->show();
    const QStringList before = snapshot(*f);
    for (int i = 0; i < 3; ++i) {
        QApplication::setActiveWindow(&*f);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&*f, &activate);
        f->Form_Activate();
        QApplication::processEvents();
    }
    EXPECT_EQ(snapshot(*f), before);
    EXPECT_TRUE(messages.events.isEmpty());
    EXPECT_EQ(f.closes, 0);
}

TEST(Form3Lifecycle, CloseDuringAYieldingCommandReachesTheEndAtOnceWithoutAQuestion) {
    RecordedMessages messages;
    OrdinaryForm f;
    f->show();
    // A long command: a loop that yields until something stops it.
    QTimer::singleShot(50, &*f, [&] { f->close(); });
    QElapsedTimer clock;
    clock.start();
    while (f.closes == 0 && clock.elapsed() < 5000)
        DoEvents();
    EXPECT_EQ(f.closes, 1);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(messages.events.isEmpty());
}

// The real end: the process leaves with code 0 from inside the yielding loop, and
// what was still buffered for the standard streams is written out.
TEST(Form3LifecycleDeathTest, ClosingEndsTheProcessFromANestedEventLoop) {
    EXPECT_EXIT(
        {
            Form3 form(missingInstallation());
            form.show();
            std::clog << "comando in corso";  // buffered until the end flushes it
            QTimer::singleShot(100, &form, &QWidget::close);
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 15000)
                DoEvents();
            std::exit(3); // not reached when the close ends the program
        },
        ::testing::ExitedWithCode(0), "comando in corso");
}

// Closing during a download that waits on a silent server also ends the program at
// once; the file the download would have replaced is left as it was.
TEST(Form3LifecycleDeathTest, ClosingEndsTheProcessDuringADownload) {
    // The death test runs this body again in a child process; the folder is shared
    // with it through the environment.
    std::optional<QTemporaryDir> own;
    if (!qEnvironmentVariableIsSet("MIRASITO_CLOSE_TEST_DIR")) {
        own.emplace();
        qputenv("MIRASITO_CLOSE_TEST_DIR", own->path().toUtf8());
    }
    const QString dirPath = qEnvironmentVariable("MIRASITO_CLOSE_TEST_DIR");
    const QString target = dirPath + "/pagina.htm";
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("vecchio");
    }
    EXPECT_EXIT(
        {
            HttpServer server;
            server.setStall("/lenta.htm", HttpServer::Stall::AfterHeaders, 20000);
            Form3 form(missingInstallation());
            form.show();
            QTimer::singleShot(300, &form, &QWidget::close);
            try {
                form.Scarica_File_2(server.url("/lenta.htm"), programForm(target));
            } catch (...) {
            }
            std::exit(3); // the download ended before the close did
        },
        ::testing::ExitedWithCode(0), "");
    qunsetenv("MIRASITO_CLOSE_TEST_DIR");
    QFile after(target);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), "vecchio");
    EXPECT_EQ(QDir(dirPath).entryList(QDir::Files), QStringList{"pagina.htm"});
}
