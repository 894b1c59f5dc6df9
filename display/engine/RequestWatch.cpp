#include "display/engine/RequestWatch.h"

void RequestWatch::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!m_sink)
        return;
    const PaneRequestKind kind = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ? PaneRequestKind::Page
                                 : info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeFavicon
                                     ? PaneRequestKind::Icon
                                     : PaneRequestKind::Other;
    m_sink->record(info.requestUrl(), info.firstPartyUrl(), kind);
}
