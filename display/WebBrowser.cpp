#include "display/WebBrowser.h"
#include "display/BrowserUrl.h"
#include "display/ControlDropFilter.h"
#include "display/Twips.h"

namespace {
constexpr qint64 kLoadLimitMs = 60000;
}

WebBrowser::WebBrowser(QWidget* parent) : QWebEngineView(parent) {
    // A load started by the page itself (a link followed in the pane) also counts.
    connect(this, &QWebEngineView::loadStarted, this, [this] {
        m_started = true;
        if (!m_loading) {
            m_loading = true;
            m_since.start();
        }
    });
    // Finished, failed, stopped, or turned into a download: the pane is idle again.
    connect(this, &QWebEngineView::loadFinished, this, [this] { m_loading = false; });
    // A move to an anchor of the page already shown starts no load: the new URL is
    // all that happens.
    connect(this, &QWebEngineView::urlChanged, this, [this] {
        if (!m_started)
            m_loading = false;
    });
    // The view hands drops to its render widget, created with the first page and
    // again when the page's renderer changes; the filter follows the children.
    auto* drops = new ControlDropFilter(this, [this](QWidget* source, QPointF at) {
        emit DragDrop(source, Twips::fromPixels(qRound(at.x()), logicalDpiX()),
                      Twips::fromPixels(qRound(at.y()), logicalDpiY()));
    });
    drops->watch(this, true);
}

void WebBrowser::Navigate(const QString& address) {
    m_loading = true;
    m_started = false;
    m_since.start();
    load(browserUrl(address));
}

bool WebBrowser::Busy() const {
    return m_loading && m_since.isValid() && m_since.elapsed() < kLoadLimitMs;
}
