#pragma once
// Helpers of the display tests: waiting on the event loop, driving a modal dialog
// from a timer, and sending a drag and drop to the widget that receives it.
#include "display/ControlDrag.h"
#include "fs/DoEvents.h"
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace displaytest {

inline bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        DoEvents();
    }
    return true;
}

// While it lives, waits (up to 20 s) for a modal widget of type T to come up and
// hands it to act, once.
template <typename T>
class ModalWatch {
public:
    explicit ModalWatch(std::function<void(T*)> act) : m_act(std::move(act)) {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                m_ran = true;
                m_act(w);
            } else if (m_clock.elapsed() > 20000) {
                m_timer.stop();
            }
        });
        m_timer.start(20);
    }
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;
    bool ran() const { return m_ran; }

private:
    std::function<void(T*)> m_act;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_ran = false;
};

// A drag over target at pos, then a drop there. Returns whether the drop was accepted.
inline bool dragAndDrop(QWidget* target, QPoint pos, const QMimeData* mime) {
    QDragEnterEvent enter(pos, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

inline std::unique_ptr<QMimeData> controlMime(const QString& name) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kControlDragMime, name.toUtf8());
    return mime;
}

} // namespace displaytest
