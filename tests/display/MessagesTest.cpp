#include "DisplayTestSupport.h"
#include "display/Messages.h"
#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

TEST(Messages, WithAScriptBeepsAndBoxesGoToItInOrder) {
    QList<Messages::Event> events;
    Messages::setScript([&](const Messages::Event& e) { events.append(e); });
    Messages::Beep();
    Messages::MsgBox(QStringLiteral("Pagina non trovata !!!  http://x/a.htm"));
    Messages::MsgBox(QStringLiteral("Errore: \r\rERR: 53 - File non trovato"));
    Messages::setScript(nullptr);
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].kind, Messages::Event::BeepSound);
    EXPECT_EQ(events[1].kind, Messages::Event::Box);
    EXPECT_EQ(events[1].text, QStringLiteral("Pagina non trovata !!!  http://x/a.htm"));
    EXPECT_EQ(events[2].text, QStringLiteral("Errore: \r\rERR: 53 - File non trovato"));
}

TEST(Messages, TheBoxIsModalTitledMirasitoWithTheTextAsGivenAndOkOnly) {
    QWidget owner;
    owner.show();
    Messages::setOwner(&owner);
    const QString text = QStringLiteral("Errore <b>&amp; \r\rERR: 76 - Percorso non trovato ");
    QString title, shown, spoken;
    Qt::TextFormat format = Qt::RichText;
    QList<QAbstractButton*> buttons;
    bool modal = false;
    QWidget* parent = nullptr;
    displaytest::ModalWatch<QMessageBox> watch([&](QMessageBox* box) {
        title = box->windowTitle();
        shown = box->text();
        format = box->textFormat();
        buttons = box->buttons();
        modal = box->isModal();
        parent = box->parentWidget();
        if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) {
            if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(label))
                spoken = a->text(QAccessible::Name);
        }
        ASSERT_EQ(buttons.size(), 1);
        buttons.first()->click();
    });
    Messages::MsgBox(text);
    Messages::setOwner(nullptr);
    ASSERT_TRUE(watch.ran());
    EXPECT_EQ(title, QStringLiteral("Mirasito"));
    EXPECT_EQ(shown, text);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_TRUE(modal);
    EXPECT_EQ(parent, &owner);
    EXPECT_EQ(spoken, text);
}

} // namespace
