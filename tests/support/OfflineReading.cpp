#include "tests/support/OfflineReading.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

namespace {

// The file a file: address names; empty for any other address.
QString fileOf(const QUrl& url) {
    return url.isLocalFile() ? url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery).toLocalFile() : QString();
}

// Records the requests of the page being read and lets none reach the web.
class Recorder : public QWebEngineUrlRequestInterceptor {
public:
    struct Request {
        QUrl url;
        QWebEngineUrlRequestInfo::ResourceType type;
    };
    std::vector<Request> requests;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        requests.push_back({info.requestUrl(), info.resourceType()});
        if (info.requestUrl().scheme() != u"file")
            info.block(true);
    }
};

// Runs the event loop until done() or the time is up.
template <typename Done>
bool waitFor(Done done, int milliseconds) {
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(milliseconds);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    tick.start(5);
    if (!done())
        loop.exec();
    return done();
}

QVariant evaluate(QWebEnginePage& page, const QString& script) {
    QVariant result;
    bool answered = false;
    page.runJavaScript(script, [&](const QVariant& v) {
        result = v;
        answered = true;
    });
    waitFor([&] { return answered; }, 10000);
    return result;
}

} // namespace

OfflineReading readOffline(const QStringList& pageFiles, const QString& siteHost) {
    OfflineReading reading;
    QWebEngineProfile profile;  // off the record: nothing of one run reaches the next
    Recorder recorder;
    profile.setUrlRequestInterceptor(&recorder);
    QWebEnginePage page(&profile);
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool) { loaded = true; });
    for (const QString& file : pageFiles) {
        recorder.requests.clear();
        loaded = false;
        page.load(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
        if (!waitFor([&] { return loaded; }, 20000)) {
            reading.failures << file + ": not loaded";
            continue;
        }
        ++reading.pages;
        if (evaluate(page, QStringLiteral("document.contentType")).toString() == u"text/html")
            ++reading.shownAsHtml;
        else
            reading.failures << file + ": not shown as HTML";
        for (const Recorder::Request& r : recorder.requests) {
            if (r.type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
                r.type == QWebEngineUrlRequestInfo::ResourceTypeFavicon)
                continue;
            ++reading.requests;
            const QString local = fileOf(r.url);
            if (local.isEmpty() || !QFileInfo(local).isFile()) {
                ++reading.failedRequests;
                reading.failures << file + ": asked for " + r.url.toString();
            }
        }
        const QStringList links =
            evaluate(page, QStringLiteral("Array.from(document.querySelectorAll('a[href], area[href]')).map(a => a.href)"))
                .toStringList();
        for (const QString& link : links) {
            const QUrl url(link);
            const QString local = fileOf(url);
            if (local.isEmpty() && url.authority() != siteHost)
                continue;
            ++reading.links;
            if (!local.isEmpty() && QFileInfo(local).isFile())
                ++reading.linksIntoCopy;
            else
                reading.failures << file + ": link to " + link;
        }
    }
    page.setUrl(QUrl(QStringLiteral("about:blank")));
    return reading;
}
