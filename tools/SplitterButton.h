#pragma once
#include <QPoint>
#include <QPushButton>

// The splitter button between the two panes. Pressing it and moving the pointer
// starts a drag at once, carrying the button itself; the pane it is dropped on
// moves the boundary. A press and release without a move does nothing, and so does
// a click.
class SplitterButton : public QPushButton {
    Q_OBJECT
public:
    explicit SplitterButton(const QString& caption, QWidget* parent = nullptr);
    explicit SplitterButton(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void startDrag();
    bool m_pressed = false;
    QPoint m_pressPos;
};
