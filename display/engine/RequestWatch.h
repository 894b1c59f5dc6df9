#pragma once
#include "display/BrowserEngine.h"
#include <QWebEngineUrlRequestInterceptor>

// Passes every request of the page it is set on to a sink, and lets it go on unchanged.
class RequestWatch : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void setSink(PaneRequestSink* sink) { m_sink = sink; }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    PaneRequestSink* m_sink = nullptr;
};
