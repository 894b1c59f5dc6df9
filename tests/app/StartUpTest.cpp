// The start routine and the engine environment prepared before the application.
#include "app/Form3.h"
#include "app/Module1.h"
#include "app/WebEngineEnvironment.h"
#include "reader/SharedState.h"
#include <QByteArray>
#include <gtest/gtest.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

TEST(StartUp, MainLoadsOneWindowShowsItAndHandsItTheSharedState) {
    EXPECT_EQ(Module1::form(), nullptr);
    // Right after start every shared string is empty and the not-found flag is 0.
    const SharedState& s = Module1::state();
    EXPECT_TRUE(s.WURL.isEmpty() && s.WURL_DIR.isEmpty() && s.WURL_FILE.isEmpty() &&
                s.WPATH_DEST.isEmpty() && s.WURL_ROOT.isEmpty());
    EXPECT_EQ(s.WNOT_FOUND, 0);
    EXPECT_EQ(s.WY, 0);

    Form3& form = Module1::Main();
    form.setEndProgram([] {});
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(Module1::form(), &form);
    EXPECT_EQ(form.controls().state, &Module1::state());
    EXPECT_EQ(&Module1::Main(), &form); // one window for the whole run
    Module1::End();
    EXPECT_EQ(Module1::form(), nullptr);
}

namespace {

// Sets or clears two variables for one test and puts them back afterwards.
struct SavedEnv {
    const char* names[2] = {"QTWEBENGINE_DISABLE_SANDBOX", "QTWEBENGINE_CHROMIUM_FLAGS"};
    QByteArray values[2];
    bool set[2];
    SavedEnv() {
        for (int i = 0; i < 2; ++i) {
            set[i] = qEnvironmentVariableIsSet(names[i]);
            values[i] = qgetenv(names[i]);
        }
    }
    ~SavedEnv() {
        for (int i = 0; i < 2; ++i)
            set[i] ? (void)qputenv(names[i], values[i]) : (void)qunsetenv(names[i]);
    }
};

} // namespace

TEST(StartUp, EngineIsKeptQuietAndUnsandboxedOnlyWhenItMustBe) {
    SavedEnv saved;
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const bool usable = webEngineSandboxUsable();
#ifdef Q_OS_UNIX
    if (::getuid() == 0)
        EXPECT_FALSE(usable);
#endif
    prepareWebEngineEnvironment();
    EXPECT_EQ(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), !usable);
    if (!usable)
        EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), "1");
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char* flag : {"--disable-background-networking", "--disable-component-update", "--disable-sync"})
        EXPECT_TRUE(flags.split(' ').contains(flag)) << flag;

    // What the user already set is left alone.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArray("0"));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray("--mine"));
    prepareWebEngineEnvironment();
    EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), "0");
    EXPECT_EQ(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), "--mine");
}
