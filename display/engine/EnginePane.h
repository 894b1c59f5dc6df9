#pragma once
#include "display/BrowserEngine.h"
#include "display/engine/RequestWatch.h"
#include <QWebEngineView>

// The browser pane's engine: a web view that tells the pane of its loads and, while
// watched, of every request it makes.
class EnginePane : public QWebEngineView, public BrowserEngine {
    Q_OBJECT
public:
    EnginePane(QWidget* pane, Events events);

    QWidget* view() override { return this; }
    void load(const QUrl& address) override { QWebEngineView::load(address); }
    QUrl url() const override { return QWebEngineView::url(); }
    QWebEnginePage* page() override { return QWebEngineView::page(); }
    void watchRequests(PaneRequestSink* sink) override;

private:
    Events m_events;
    RequestWatch m_watch;
};
