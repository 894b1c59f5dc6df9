#pragma once
#include <QMutex>
#include <QUrl>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <vector>

// Every address the browser pane asks for while the log watches it: the page it
// shows and whatever that page loads by itself (pictures a script put in, pictures
// loaded as they scroll into view, fonts, data a script fetched). The requests go on
// unchanged.
class PaneRequestLog : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    struct Request {
        QUrl address;
        QUrl page;  // the page that asked for it
        QWebEngineUrlRequestInfo::ResourceType type;
    };

    explicit PaneRequestLog(QObject* parent = nullptr);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // The requests seen since the last call, in order.
    std::vector<Request> take();

private:
    QMutex m_mutex;
    std::vector<Request> m_requests;
};
