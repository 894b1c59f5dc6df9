#include "display/WebBrowser.h"
#include "display/BrowserUrl.h"
#include "display/ControlDropFilter.h"
#include "display/Twips.h"

namespace {
// A load unfinished after this long counts as finished.
constexpr qint64 kLoadLimitMs = 60000;
// A navigation starts its load at once; one that has started none after this long
// loads nothing at all ("http://" with no server, a "javascript:" address).
constexpr qint64 kStartLimitMs = 5000;
} // namespace

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
    // Drops land on the view's render widget (made with the first page, and again
    // when the page's renderer changes) and, unless it takes them, on the view: the
    // filter watches both, and the children as they come.
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
    load(browserUrl(address));
}

bool WebBrowser::Busy() const {
    if (!m_loading || !m_since.isValid())
        return false;
    const qint64 elapsed = m_since.elapsed();
    return elapsed < kLoadLimitMs && (m_started || elapsed < kStartLimitMs);
}
