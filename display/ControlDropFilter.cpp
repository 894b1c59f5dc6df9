#include "display/ControlDropFilter.h"
#include "display/ControlDrag.h"
#include <QChildEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace {

const char* const kWithChildren = "mirasito_dropChildren";

// The dragged control: the drag's source widget, or, when the drag came from
// elsewhere, the control of this window named in the drag's data.
QWidget* draggedControl(const QDropEvent* event, const QWidget* pane) {
    if (auto* w = qobject_cast<QWidget*>(event->source()))
        return w;
    const QString name = QString::fromUtf8(event->mimeData()->data(kControlDragMime));
    if (name.isEmpty())
        return nullptr;
    return pane->window()->findChild<QWidget*>(name);
}

} // namespace

ControlDropFilter::ControlDropFilter(QWidget* pane, Dropped dropped)
    : QObject(pane), m_pane(pane), m_dropped(std::move(dropped)) {}

void ControlDropFilter::watch(QWidget* widget, bool children) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this); // installing twice keeps one filter
    if (!children)
        return;
    widget->setProperty(kWithChildren, true);
    for (QObject* child : widget->children())
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child), true);
}

bool ControlDropFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildPolished: {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child && child->isWidgetType() && watched->property(kWithChildren).toBool())
            watch(static_cast<QWidget*>(child), true);
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->mimeData() && drag->mimeData()->hasFormat(kControlDragMime)) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->mimeData() && drop->mimeData()->hasFormat(kControlDragMime)) {
            drop->acceptProposedAction();
            auto* target = static_cast<QWidget*>(watched);
            const QPointF at = drop->position() + QPointF(target->mapTo(m_pane, QPoint(0, 0)));
            if (m_dropped)
                m_dropped(draggedControl(drop, m_pane), at);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
