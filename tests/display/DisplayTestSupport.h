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

// When a modal widget of type T comes up (within 20 s), hand it to act. Returns a
// flag that tells whether act ran.
template <typename T>
std::shared_ptr<bool> whenModal(std::function<void(T*)> act) {
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, act, ran, clock] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            *ran = true;
            act(w);
        } else if (clock->elapsed() > 20000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
    return ran;
}

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
