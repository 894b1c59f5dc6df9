#pragma once
// An X server of a test's own (Xvfb), so that no other test's window or pointer gets
// in the way, and the program's windows on it: found by their caption, closed the way
// a window manager's close button closes them (WM_DELETE_WINDOW). There is no window
// manager: the program's own windows are the root's children.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <memory>

class OwnXServer {
public:
    OwnXServer();  // started; display() is empty when it could not be
    ~OwnXServer();
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    // ":N", for DISPLAY.
    const QByteArray& display() const { return m_display; }

    // The shown top-level window whose caption starts with the text; 0 when none is.
    unsigned long findWindow(const QString& captionStart, QString* caption = nullptr) const;
    // The window's class (WM_CLASS res_class); empty when it has none.
    QString windowClass(unsigned long window) const;
    // Asks the window to close; false when the request could not be sent.
    bool close(unsigned long window) const;

    // Closes the program's window (the one shown at the time, again if it is made anew
    // under another id, as a person clicks again) until the program has ended or the
    // time is up. False when it never found a window to close.
    bool closeUntilEnded(const QString& captionStart, QProcess& program, int timeoutMs) const;

private:
    QProcess m_xvfb;
    QByteArray m_display;
    struct Connection;
    std::unique_ptr<Connection> m_x;
};
