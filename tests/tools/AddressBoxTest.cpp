// The address box on a real main window: the Enter key opens the page, the focus
// selects the whole text (by Tab and by mouse), and the preset buttons fill it.
#include "ToolsFixture.h"

#include "display/RichTextBox.h"
#include "tools/PresetSites.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kNoAddress = QStringLiteral("Indicare un indirizzo Internet !!!");

class AddressBoxTest : public ToolsFixture {
protected:
    void showActive() {
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Selection of the whole text, once the events of the focus change are through.
    bool wholeTextSelected() {
        return QTest::qWaitFor([this] {
            return form->Text1->selectionStart() == 0 && form->Text1->selectedText() == form->Text1->text();
        }, 1000);
    }
};

TEST_F(AddressBoxTest, EnterRunsTheOpenPageCommand) {
    showActive();
    for (const char* text : {"", "    "}) {
        events.clear();
        form->Text1->setFocus();
        form->Text1->setText(text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
        EXPECT_EQ(events, QStringList({"<beep>", kNoAddress})) << '"' << text << '"';
    }
    events.clear();
    QTest::keyClick(form->Text1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(events, QStringList({"<beep>", kNoAddress}));
}

TEST_F(AddressBoxTest, TabIntoTheBoxSelectsAll) {
    showActive();
    form->Text1->setText("http://www.digiland.example/archeoroma/index.htm");
    // The control before the address box in the Tab cycle takes the focus first.
    form->Text3->setFocus(Qt::OtherFocusReason);
    QWidget* before = form->Text1->previousInFocusChain();
    while (before && !(before->focusPolicy() & Qt::TabFocus))
        before = before->previousInFocusChain();
    ASSERT_NE(before, nullptr);
    before->setFocus(Qt::OtherFocusReason);
    form->Text1->deselect();
    form->Text1->setCursorPosition(3);
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(form->Text1->hasFocus());
    EXPECT_TRUE(wholeTextSelected()) << form->Text1->selectedText().toStdString();
}

TEST_F(AddressBoxTest, FocusGivenByTheProgramSelectsAll) {
    showActive();
    form->Text1->setText("C:\\TMP\\indice.htm");
    form->Text3->setFocus(Qt::OtherFocusReason);
    form->Text1->deselect();
    form->Text1->setCursorPosition(2);
    form->Text1->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(wholeTextSelected()) << form->Text1->selectedText().toStdString();
}

TEST_F(AddressBoxTest, MouseClickIntoTheBoxSelectsAll) {
    showActive();
    form->Text1->setText("http://www.digiland.example/velaligure/index.htm");
    form->Text3->setFocus(Qt::OtherFocusReason);
    form->Text1->deselect();
    // A click in the middle of the text would put the cursor there.
    QTest::mouseClick(form->Text1, Qt::LeftButton, {}, QPoint(form->Text1->width() / 2, form->Text1->height() / 2));
    ASSERT_TRUE(form->Text1->hasFocus());
    EXPECT_TRUE(wholeTextSelected()) << form->Text1->selectedText().toStdString();
    // Typing replaces the whole address.
    QTest::keyClicks(form->Text1, "nuovo");
    EXPECT_EQ(form->Text1->text(), QStringLiteral("nuovo"));
}

TEST_F(AddressBoxTest, PresetButtonsReplaceTheAddressAndOpenNothing) {
    QPushButton* buttons[] = {form->Command5, form->Command6, form->Command7, form->Command8, form->Command9};
    const char* folders[] = {"archeoroma", "velaligure", "ricettenonna", "bonsaiclub", "fossilimarche"};
    QStringList seen;
    for (int i = 0; i < 5; ++i) {
        form->Text1->setText("testo scritto prima");
        buttons[i]->click();
        const QString address = form->Text1->text();
        EXPECT_EQ(address, QStringLiteral("http://www.digiland.example/%1/index.htm").arg(folders[i]));
        EXPECT_EQ(buttons[i]->text(), kPresetSites[i].caption);
        seen << address;
    }
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
    EXPECT_TRUE(showings.empty());
    EXPECT_TRUE(form->state().WURL.isEmpty()); // nothing was opened
    EXPECT_EQ(form->RichTextBox1->Text(), QStringLiteral("RichTextBox1"));
}

} // namespace
