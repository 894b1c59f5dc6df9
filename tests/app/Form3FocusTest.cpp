// Tab order 0 to 34 over the controls that take the focus, with the three controls
// that take it only when clicked left out of the Tab cycle.
#include "AppTestSupport.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The focusable controls in the window's tab order (labels take no focus).
const QStringList kTabOrder = {
    "Command1", "RichTextBox1", "Text1",    "WebBrowser1", "Check1",   "Check2",      "cmdREGISTRA",
    "Command2", "Command5",     "Command3", "Command4",    "Command6", "Text2",       "Text3",
    "cmdSFOGLIA2", "Command7",  "Command8", "Command9",    "txtLOGIN", "txtPASSWORD", "Check3",
    "txtPROXY", "txtPORTA",     "txtLIVELLO", "Check4"};
const QStringList kClickOnly = {"Command1", "cmdREGISTRA", "Check3"};

// The window's named controls met along the focus chain, starting after `from`.
QStringList chainFrom(Form3& f, QWidget* from, bool tabOnly) {
    QStringList seen;
    QWidget* w = from;
    do {
        if (w->parentWidget() == &f && kTabOrder.contains(w->objectName()) &&
            (!tabOnly || (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus))
            seen << w->objectName();
        w = w->nextInFocusChain();
    } while (w != from && seen.size() < 100);
    return seen;
}

} // namespace

TEST(Form3Focus, FocusChainFollowsTheTabOrder) {
    OrdinaryForm f;
    EXPECT_EQ(chainFrom(*f, f->Command1, false), kTabOrder);

    QStringList tabCycle = kTabOrder;
    for (const QString& n : kClickOnly)
        tabCycle.removeAll(n);
    EXPECT_EQ(chainFrom(*f, f->RichTextBox1, true), tabCycle);

    // Showing the window gives the browser pane the widget of its page; the pane
    // keeps its place in the order.
    f->show();
    QElapsedTimer clock;
    clock.start();
    while (!f->WebBrowser1->focusProxy() && clock.elapsed() < 5000)
        QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(chainFrom(*f, f->Command1, false), kTabOrder);
}

TEST(Form3Focus, OnlyGoRegistraAndCheck3StayOutOfTheTabCycle) {
    OrdinaryForm f;
    for (const QString& name : kTabOrder) {
        QWidget* w = f->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(w, nullptr) << name.toStdString();
        if (kClickOnly.contains(name))
            EXPECT_EQ(w->focusPolicy(), Qt::ClickFocus) << name.toStdString();
        else
            EXPECT_EQ(w->focusPolicy() & Qt::TabFocus, Qt::TabFocus) << name.toStdString();
    }
}

TEST(Form3Focus, TabKeyMovesAlongTheCycle) {
    OrdinaryForm f;
    f->show();
    QApplication::setActiveWindow(&*f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&*f));
    // Each step: the control that has the focus, then where Tab takes it.
    const std::pair<QWidget*, QWidget*> steps[] = {
        {f->RichTextBox1, f->Text1},   // the source pane passes Tab on instead of typing it
        {f->Text1, f->WebBrowser1},
        {f->Check2, f->Command2},      // skips cmdREGISTRA
        {f->txtPASSWORD, f->txtPROXY}, // skips Check3
        {f->Text2, f->Text3},
        {f->Command9, f->txtLOGIN},
    };
    for (const auto& [from, to] : steps) {
        SCOPED_TRACE(from->objectName().toStdString());
        from->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), from);
        QTest::keyClick(from, Qt::Key_Tab);
        // The browser pane hands its focus to the widget of its page.
        QWidget* now = QApplication::focusWidget();
        EXPECT_TRUE(now == to || to->isAncestorOf(now)) << (now ? now->metaObject()->className() : "none");
    }
    EXPECT_EQ(f->RichTextBox1->Text(), "RichTextBox1");

    // A press still gives the three their focus (released outside: no click, no command).
    for (QWidget* w : {static_cast<QWidget*>(f->Command1), static_cast<QWidget*>(f->cmdREGISTRA),
                       static_cast<QWidget*>(f->Check3)}) {
        QTest::mousePress(w, Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), w) << w->objectName().toStdString();
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-20, -20));
    }
}
