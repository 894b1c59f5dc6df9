#include "display/WebBrowser.h"
#include "display/BrowserEngineModule.h"
#include "display/BrowserUrl.h"
#include "display/ControlDropFilter.h"
#include "display/Twips.h"
#include <QVBoxLayout>

namespace {
// A load unfinished after this long counts as finished.
constexpr qint64 kLoadLimitMs = 60000;
// A navigation starts its load at once; one that has started none after this long
// loads nothing at all ("http://" with no server, a "javascript:" address).
constexpr qint64 kStartLimitMs = 5000;
} // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {
    BrowserEngine::Events events;
    // A load started by the page itself (a link followed in the pane) also counts.
    events.loadStarted = [this] {
        m_started = true;
        if (!m_loading) {
            m_loading = true;
            m_since.start();
        }
    };
    // Finished, failed, stopped, or turned into a download: the pane is idle again.
    events.loadFinished = [this] {
        m_loading = false;
        emit loadFinished();
    };
    // A move to an anchor of the page already shown starts no load: the new URL is
    // all that happens.
    events.urlChanged = [this] {
        if (!m_started)
            m_loading = false;
    };
    m_engine = BrowserEngineModule::make(this, std::move(events));
    m_showsPages = m_engine != nullptr;
    if (m_engine) {
        // The engine's widget fills the pane and takes the focus given to it.
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_engine->view());
        setFocusProxy(m_engine->view());
    }
    // Drops land on the engine's render widget (made with the first page, and again
    // when the page's renderer changes) and, unless it takes them, on the widgets
    // around it: the filter watches them all, and the children as they come.
    auto* drops = new ControlDropFilter(this, [this](QWidget* source, QPointF at) {
        emit DragDrop(source, Twips::fromPixels(qRound(at.x()), logicalDpiX()),
                      Twips::fromPixels(qRound(at.y()), logicalDpiY()));
    });
    drops->watch(this, true);
}

void WebBrowser::Navigate(const QString& address) {
    m_location = address;
    if (!m_showsPages)
        return;
    m_loading = true;
    m_started = false;
    m_since.start();
    m_engine->load(browserUrl(address));
}

bool WebBrowser::Busy() const {
    if (!m_loading || !m_since.isValid())
        return false;
    const qint64 elapsed = m_since.elapsed();
    return elapsed < kLoadLimitMs && (m_started || elapsed < kStartLimitMs);
}

QUrl WebBrowser::url() const {
    return m_engine ? m_engine->url() : QUrl();
}

QWebEnginePage* WebBrowser::page() const {
    return m_engine ? m_engine->page() : nullptr;
}

QWidget* WebBrowser::view() const {
    return m_engine ? m_engine->view() : nullptr;
}

void WebBrowser::watchRequests(PaneRequestSink* sink) {
    if (m_engine)
        m_engine->watchRequests(sink);
}
