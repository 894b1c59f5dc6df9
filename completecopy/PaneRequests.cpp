#include "completecopy/PaneRequests.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/address/SiteScope.h"
#include "display/PaneRequestLog.h"

std::vector<PaneRequest> paneRequestsOnSite(PaneRequestLog& log, const SiteScope& site) {
    std::vector<PaneRequest> found;
    for (const PaneRequestLog::Request& request : log.take()) {
        if (request.kind == PaneRequestKind::Page || request.kind == PaneRequestKind::Icon)
            continue;
        const QUrl address = normalisedAddress(request.address);
        if (address.isValid() && site.ofRequisite(address) == SiteScope::Verdict::Inside)
            found.push_back({address, request.page});
    }
    return found;
}
