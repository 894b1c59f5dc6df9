// The entry points the program looks up when it loads this module.
#include "display/engine/EnginePane.h"
#include <QQuickWindow>

extern "C" Q_DECL_EXPORT BrowserEngine* mirasitoMakeBrowserEngine(QWidget* pane, BrowserEngine::Events events) {
    return new EnginePane(pane, std::move(events));
}

// The pages are drawn in memory and put together with the window there.
extern "C" Q_DECL_EXPORT void mirasitoComposeBrowserInMemory() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
