#pragma once
#include <QElapsedTimer>
#include <QString>
#include <QUrl>
#include <QWidget>

class BrowserEngine;
class PaneRequestSink;
class QWebEnginePage;

// The browser pane. Its pages are shown by the browser engine's module when the
// program loaded it; without it (a copy run without its window) the pane shows
// nothing and loads nothing.
class WebBrowser : public QWidget {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);

    // Starts loading the address (http, https, ftp, or a file:// address in program
    // form) and returns at once.
    void Navigate(const QString& address);
    // True while the page is still loading; a load still unfinished after 60 s
    // counts as finished, so Busy never stays true for ever.
    bool Busy() const;

    // A pane nobody sees (a copy run without its window) loads nothing: Navigate only
    // notes the address and the pane is never busy. On by default when the engine is
    // there; a pane without it never shows pages.
    void setShowsPages(bool shows) { m_showsPages = shows && m_engine; }
    bool showsPages() const { return m_showsPages; }
    // The address of the last Navigate.
    const QString& LocationURL() const { return m_location; }

    // The address the engine shows (empty without the engine), its page (nullptr
    // without it), and the widget that shows it (nullptr without it).
    QUrl url() const;
    QWebEnginePage* page() const;
    QWidget* view() const;
    // Every request the pane makes goes to the sink as well, until it is given nullptr.
    void watchRequests(PaneRequestSink* sink);

signals:
    // The splitter button was dropped on the pane; x and y in twips relative to the pane.
    void DragDrop(QWidget* source, double x, double y);
    // A load of the pane ended: finished, failed, stopped, or turned into a download.
    void loadFinished();

private:
    BrowserEngine* m_engine = nullptr;  // a child of the pane; none without the module
    bool m_loading = false;
    QElapsedTimer m_since;
    // A load of the page's own (loadStarted) was seen since the last Navigate; a
    // move within the same page (an anchor) starts none and only changes the URL.
    bool m_started = false;
    bool m_showsPages = false;
    QString m_location;
};
