#pragma once
#include <QUrl>
#include <functional>

class QWebEnginePage;
class QWidget;

// What the browser pane asked for: the page it shows, its icon, or anything else the
// page loads (pictures, stylesheets, fonts, scripts and what they fetch).
enum class PaneRequestKind { Page, Icon, Other };

// Told of every request the pane's engine makes while it is watched.
class PaneRequestSink {
public:
    virtual ~PaneRequestSink() = default;
    virtual void record(const QUrl& address, const QUrl& page, PaneRequestKind kind) = 0;
};

// The engine that shows pages in the browser pane. It lives in a module of its own,
// loaded only by a program that shows pages: a copy run without its window never
// loads the browser's libraries.
class BrowserEngine {
public:
    // What the engine tells the pane: a load started (one of the page's own, also a
    // link followed in the pane), a load ended (finished, failed, stopped, or turned
    // into a download), the address shown changed.
    struct Events {
        std::function<void()> loadStarted;
        std::function<void()> loadFinished;
        std::function<void()> urlChanged;
    };

    virtual ~BrowserEngine() = default;
    // The widget that shows the pages, made as a child of the pane.
    virtual QWidget* view() = 0;
    virtual void load(const QUrl& address) = 0;
    virtual QUrl url() const = 0;
    virtual QWebEnginePage* page() = 0;
    // Every request of the engine goes to the sink as well, until it is given nullptr.
    virtual void watchRequests(PaneRequestSink* sink) = 0;
};

// The module's entry points, by these names.
using MakeBrowserEngine = BrowserEngine* (*)(QWidget* pane, BrowserEngine::Events events);
using ComposeBrowserInMemory = void (*)();
inline constexpr const char* kMakeBrowserEngineEntry = "mirasitoMakeBrowserEngine";
inline constexpr const char* kComposeBrowserInMemoryEntry = "mirasitoComposeBrowserInMemory";
