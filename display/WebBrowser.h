#pragma once
#include <QElapsedTimer>
#include <QString>
#include <QWebEngineView>

// The browser pane.
class WebBrowser : public QWebEngineView {
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
    // notes the address and the pane is never busy. On by default.
    void setShowsPages(bool shows) { m_showsPages = shows; }
    bool showsPages() const { return m_showsPages; }
    // The address of the last Navigate.
    const QString& LocationURL() const { return m_location; }

signals:
    // The splitter button was dropped on the pane; x and y in twips relative to the pane.
    void DragDrop(QWidget* source, double x, double y);

private:
    bool m_loading = false;
    QElapsedTimer m_since;
    // A load of the page's own (loadStarted) was seen since the last Navigate; a
    // move within the same page (an anchor) starts none and only changes the URL.
    bool m_started = false;
    bool m_showsPages = true;
    QString m_location;
};
