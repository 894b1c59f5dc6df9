#include "display/engine/EnginePane.h"
#include <QWebEnginePage>

EnginePane::EnginePane(QWidget* pane, Events events) : QWebEngineView(pane), m_events(std::move(events)) {
    // The pane takes its turn in the Tab cycle also before its first page.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QWebEngineView::loadStarted, this, [this] { m_events.loadStarted(); });
    connect(this, &QWebEngineView::loadFinished, this, [this] { m_events.loadFinished(); });
    connect(this, &QWebEngineView::urlChanged, this, [this] { m_events.urlChanged(); });
}

void EnginePane::watchRequests(PaneRequestSink* sink) {
    m_watch.setSink(sink);
    QWebEngineView::page()->setUrlRequestInterceptor(sink ? &m_watch : nullptr);
}
