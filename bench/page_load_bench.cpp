// The browser engine alone, with nothing of the program around it: a bare view,
// composed as the program composes its window, loads the pages of a generated site
// one after another, each as soon as the one before has finished, and prints the
// median time from the load's request to its end. The copy benchmark runs it under
// the same X server as its shown copy, to tell the engine's own time from the
// program's.
//
//   build/bench/page_load_bench BASE_ADDRESS PAGES     (BASE_ADDRESS ends in "/": index.htm, p1.htm ...)
#include "app/WebEngineEnvironment.h"
#include "app/WindowComposition.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    prepareWebEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: page_load_bench BASE_ADDRESS PAGES\n");
        return 64;
    }
    applyWindowComposition();
    QWebEngineView view;
    view.resize(1000, 500);
    view.show();

    const int pages = args[2].toInt();
    std::vector<double> ms;
    int failed = 0;
    for (int k = 0; k < pages; ++k) {
        QEventLoop loop;
        bool ok = false;
        QObject::connect(&view, &QWebEngineView::loadFinished, &loop, [&](bool finished) {
            ok = finished;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        view.load(QUrl(args[1] + (k == 0 ? QStringLiteral("index.htm") : QStringLiteral("p%1.htm").arg(k))));
        loop.exec();
        ms.push_back(clock.nsecsElapsed() / 1e6);
        failed += ok ? 0 : 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("loads=%d failed=%d median_ms=%.1f\n", pages, failed, ms.empty() ? -1.0 : ms[ms.size() / 2]);
    return failed == 0 && !ms.empty() ? 0 : 1;
}
