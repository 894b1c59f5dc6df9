#include "tools/SplitterButton.h"

#include "display/ControlDrag.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

SplitterButton::SplitterButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

SplitterButton::SplitterButton(QWidget* parent) : QPushButton(parent) {}

void SplitterButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QPushButton::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_pressPos = event->position().toPoint();
    setDown(true);
    event->accept();
}

void SplitterButton::mouseMoveEvent(QMouseEvent* event) {
    // No drag distance: the first move with the button held starts the drag.
    if (m_pressed && (event->buttons() & Qt::LeftButton) && event->position().toPoint() != m_pressPos) {
        startDrag();
        event->accept();
        return;
    }
    QPushButton::mouseMoveEvent(event);
}

void SplitterButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressed) {
        // Pressed and released in place: no click, nothing moves.
        m_pressed = false;
        setDown(false);
        event->accept();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}

void SplitterButton::startDrag() {
    m_pressed = false;
    setDown(false);
    auto* mime = new QMimeData;
    mime->setData(kControlDragMime, objectName().toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // No pixmap of its own: the pointer carries the platform's default outline.
    drag->exec(Qt::MoveAction);
}
