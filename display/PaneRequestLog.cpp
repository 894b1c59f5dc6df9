#include "display/PaneRequestLog.h"
#include <QMutexLocker>

PaneRequestLog::PaneRequestLog(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}

void PaneRequestLog::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QMutexLocker lock(&m_mutex);
    m_requests.push_back({info.requestUrl(), info.firstPartyUrl(), info.resourceType()});
}

std::vector<PaneRequestLog::Request> PaneRequestLog::take() {
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_requests, {});
}
