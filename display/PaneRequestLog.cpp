#include "display/PaneRequestLog.h"
#include <QMutexLocker>

void PaneRequestLog::record(const QUrl& address, const QUrl& page, PaneRequestKind kind) {
    const QMutexLocker lock(&m_mutex);
    m_requests.push_back({address, page, kind});
}

std::vector<PaneRequestLog::Request> PaneRequestLog::take() {
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_requests, {});
}
