#pragma once
#include <QObject>
#include <QPointF>
#include <functional>

class QWidget;

// Catches a control dragged onto a pane (drags carrying kControlDragMime) on the
// widgets that really receive the drops for that pane (a scroll area's viewport,
// a web view's render widget), before the widget's own drop handling sees it.
// Other drags pass through untouched.
class ControlDropFilter : public QObject {
    Q_OBJECT
public:
    // dropped(source, position in pixels relative to the pane's top-left).
    using Dropped = std::function<void(QWidget* source, QPointF position)>;
    ControlDropFilter(QWidget* pane, Dropped dropped);

    // Filters the widget; with children, also every widget below it, present or
    // added later.
    void watch(QWidget* widget, bool children);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_pane;
    Dropped m_dropped;
};
