// The splitter on a real main window: the drop handlers move the panes by the
// window's outer height, a drop reaches them from the panes' drop events, and a
// press without a move changes nothing.
#include "ToolsFixture.h"

#include "display/ControlDrag.h"
#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "display/WebBrowser.h"
#include "tools/SplitterButton.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

namespace {

struct Layout {
    double sourceTop, sourceHeight, buttonTop, buttonHeight, browserTop, browserHeight;
    bool operator==(const Layout&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Layout& l) {
    return os << "source " << l.sourceTop << "+" << l.sourceHeight << ", button " << l.buttonTop << "+"
              << l.buttonHeight << ", browser " << l.browserTop << "+" << l.browserHeight;
}

const Layout kDesigned{855, 4125, 4995, 195, 5160, 2985};

class SplitterTest : public ToolsFixture {
protected:
    Layout layout() const {
        return {Twips::top(form->RichTextBox1), Twips::height(form->RichTextBox1), Twips::top(form->Command2),
                Twips::height(form->Command2), Twips::top(form->WebBrowser1), Twips::height(form->WebBrowser1)};
    }
    void restoreDesigned() {
        Twips::setGeometry(form->RichTextBox1, 60, 855, 9255, 4125);
        Twips::setGeometry(form->Command2, 210, 4995, 11505, 195);
        Twips::setGeometry(form->WebBrowser1, 75, 5160, 11775, 2985);
    }
    // Makes the window's outer height (frame included) the given twips, a whole number of pixels.
    void setOuterHeight(double twips) {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        const int frame = form->frameGeometry().height() - form->height();
        form->resize(form->width(), Twips::toPixels(twips, form->logicalDpiY()) - frame);
        QTest::qWait(10);
        ASSERT_DOUBLE_EQ(Twips::outerHeight(form.get()), twips);
    }
};

TEST_F(SplitterTest, DropHandlersMoveThePanes) {
    struct Case {
        const char* name;
        bool onSource;
        double outerHeight, y;
        Layout expected;
        double WY;
    };
    const Case cases[] = {
        {"source at 2000", true, 8595, 2000, {855, 1900, 2755, 195, 2915, 5295}, 2000},
        {"browser at 1000", false, 8595, 1000, {855, 5135, 5980, 195, 6160, 1985}, 1000},
        // A window shrunk so far that the source pane would get no height: not applied.
        {"browser, small window", false, 3450, 1000, {855, 4125, 5980, 195, 6160, 1985}, 1000},
        {"browser, window just enough", false, 3465, 1000, {855, 5, 5980, 195, 6160, 1985}, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setOuterHeight(c.outerHeight);
        restoreDesigned();
        // As the panes report a drop of the splitter button.
        if (c.onSource)
            emit form->RichTextBox1->DragDrop(form->Command2, 4321, c.y);
        else
            emit form->WebBrowser1->DragDrop(form->Command2, 4321, c.y);
        EXPECT_EQ(layout(), c.expected);
        EXPECT_DOUBLE_EQ(form->state().WY, c.WY);
        // Left edges and widths never change.
        EXPECT_DOUBLE_EQ(Twips::left(form->RichTextBox1), 60);
        EXPECT_DOUBLE_EQ(Twips::width(form->WebBrowser1), 11775);
        EXPECT_DOUBLE_EQ(Twips::width(form->Command2), 11505);
    }
    EXPECT_TRUE(events.isEmpty());
}

// The drop events themselves, as the platform delivers them to the widgets that
// show the panes, carrying the splitter button.
TEST_F(SplitterTest, DropEventsOnThePanesReachTheHandlers) {
    setOuterHeight(8595);
    const double dpi = form->logicalDpiY();
    auto drop = [&](QWidget* pane, int paneY) {
        QWidget* target = pane->childAt(pane->width() / 2, paneY);
        if (!target)
            target = pane;
        const QPoint at = target->mapFrom(pane, QPoint(pane->width() / 2, paneY));
        QMimeData mime;
        mime.setData(kControlDragMime, QByteArrayLiteral("Command2"));
        QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    };

    EXPECT_TRUE(drop(form->RichTextBox1, 200));
    const double y = Twips::fromPixels(200, dpi);
    EXPECT_EQ(layout(), (Layout{855, y - 100, 855 + y - 100, 195, 855 + y - 100 + 160, 8595 - y - 1300}));
    EXPECT_DOUBLE_EQ(form->state().WY, y);

    restoreDesigned();
    EXPECT_TRUE(drop(form->WebBrowser1, 40));
    const double b = Twips::fromPixels(40, dpi);
    EXPECT_EQ(layout(), (Layout{855, 8595 - (2985 - b) - 1475, 5160 + b - 180, 195, 5160 + b, 2985 - b}));

    // Another drag passes by: nothing moves.
    restoreDesigned();
    QMimeData text;
    text.setText("testo");
    QDropEvent other(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->RichTextBox1->viewport(), &other);
    EXPECT_EQ(layout(), kDesigned);
}

TEST_F(SplitterTest, PressAndReleaseWithoutMoveChangesNothing) {
    setOuterHeight(8595);
    restoreDesigned();
    ASSERT_NE(qobject_cast<SplitterButton*>(form->Command2), nullptr);
    const QPoint middle(form->Command2->width() / 2, form->Command2->height() / 2);
    QTest::mousePress(form->Command2, Qt::LeftButton, {}, middle);
    QTest::mouseRelease(form->Command2, Qt::LeftButton, {}, middle);
    form->Command2->click();
    EXPECT_EQ(layout(), kDesigned);
    EXPECT_FALSE(form->Command2->isDown());
    EXPECT_DOUBLE_EQ(form->state().WY, 0);
    EXPECT_TRUE(events.isEmpty());
}

} // namespace
