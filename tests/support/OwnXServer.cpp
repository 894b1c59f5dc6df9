#include "tests/support/OwnXServer.h"

#include <QDeadlineTimer>
#include <QSet>
#include <QThread>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

struct OwnXServer::Connection {
    Display* x = nullptr;
    ~Connection() {
        if (x)
            XCloseDisplay(x);
    }
};

OwnXServer::OwnXServer() : m_x(std::make_unique<Connection>()) {
    m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    if (!m_xvfb.waitForStarted(10000))
        return;
    QByteArray number;
    for (QDeadlineTimer t(20000); !number.endsWith('\n') && !t.hasExpired();)
        if (m_xvfb.waitForReadyRead(500))
            number += m_xvfb.readAllStandardOutput();
    if (!number.endsWith('\n'))
        return;
    m_display = ':' + number.trimmed();
    m_x->x = XOpenDisplay(m_display.constData());
    if (!m_x->x)
        m_display.clear();
    // A window can go between the moment it is listed and the moment it is asked about
    // (the program makes its window again once): that error is not the test's end.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

OwnXServer::~OwnXServer() {
    m_x.reset();
    m_xvfb.terminate();
    m_xvfb.waitForFinished(5000);
}

namespace {

// The window's caption: its UTF-8 name (_NET_WM_NAME) where it has one, else WM_NAME.
QString captionOf(Display* x, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QString caption;
    if (XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(x, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data && format == 8)
        caption = QString::fromUtf8(reinterpret_cast<const char*>(data), int(count));
    if (data)
        XFree(data);
    char* name = nullptr;
    if (caption.isEmpty() && XFetchName(x, window, &name) && name)
        caption = QString::fromLatin1(name);
    if (name)
        XFree(name);
    return caption;
}

} // namespace

unsigned long OwnXServer::findWindow(const QString& captionStart, QString* caption) const {
    Display* x = m_x->x;
    if (!x)
        return 0;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(x, children[i], &attributes) || attributes.map_state != IsViewable)
                continue;
            const QString name = captionOf(x, children[i]);
            if (name.startsWith(captionStart)) {
                found = children[i];
                if (caption)
                    *caption = name;
            }
        }
        XFree(children);
    }
    return found;
}

QString OwnXServer::windowClass(unsigned long window) const {
    XClassHint hint{};
    if (!m_x->x || !XGetClassHint(m_x->x, window, &hint))
        return QString();
    const QString name = QString::fromLatin1(hint.res_class);
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

bool OwnXServer::close(unsigned long window) const {
    Display* x = m_x->x;
    if (!x)
        return false;
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x, window, False, NoEventMask, &close) != 0;
    XFlush(x);
    return sent;
}

bool OwnXServer::closeUntilEnded(const QString& captionStart, QProcess& program, int timeoutMs) const {
    // The window is made again, under a new id, when the browser pane first needs
    // OpenGL to draw; a close sent to the first one in that moment goes nowhere.
    QSet<unsigned long> closed;
    for (QDeadlineTimer t(timeoutMs); program.state() == QProcess::Running && !t.hasExpired();) {
        const unsigned long now = findWindow(captionStart);
        if (now && !closed.contains(now)) {
            closed.insert(now);
            close(now);
        }
        program.waitForFinished(closed.isEmpty() ? 200 : 2000);
    }
    return !closed.isEmpty();
}
