// Test entry point: one QApplication for the whole test program (offscreen unless a
// platform is named), then GoogleTest.
#include "display/BrowserEngineModule.h"
#include <QApplication>
#include <QQuickWindow>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                "--disable-background-networking --disable-component-update --disable-sync --disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QApplication app(argc, argv);
    if (!BrowserEngineModule::load(QStringLiteral(MIRASITO_BROWSER_MODULE))) {
        std::fprintf(stderr, "%s\n", qPrintable(BrowserEngineModule::errorText()));
        return 1;
    }
    // Without a screen the program composes its window in memory: so do the tests.
    if (QGuiApplication::platformName() == QLatin1String("offscreen") && !qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return RUN_ALL_TESTS();
}
