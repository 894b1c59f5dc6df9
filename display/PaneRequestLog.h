#pragma once
#include "display/BrowserEngine.h"
#include <QMutex>
#include <QUrl>
#include <vector>

// Every address the browser pane asks for while the log watches it: the page it
// shows and whatever that page loads by itself (pictures a script put in, pictures
// loaded as they scroll into view, fonts, data a script fetched). The requests go on
// unchanged.
class PaneRequestLog : public PaneRequestSink {
public:
    struct Request {
        QUrl address;
        QUrl page;  // the page that asked for it
        PaneRequestKind kind;
    };

    void record(const QUrl& address, const QUrl& page, PaneRequestKind kind) override;

    // The requests seen since the last call, in order.
    std::vector<Request> take();

private:
    QMutex m_mutex;
    std::vector<Request> m_requests;
};
