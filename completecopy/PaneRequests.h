#pragma once
#include <QUrl>
#include <vector>

class PaneRequestLog;
class SiteScope;

// An address on the site the browser pane asked for by itself, and the page it showed.
struct PaneRequest {
    QUrl address;  // normalised
    QUrl page;
};

// What the pane asked for since the last call, on the site: the pages themselves
// (the crawl's own) and the browser's own idea of an icon are not among them.
std::vector<PaneRequest> paneRequestsOnSite(PaneRequestLog& log, const SiteScope& site);
