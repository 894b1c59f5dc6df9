#include "display/Messages.h"
#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Messages, WithAScriptBeepsAndBoxesGoToItInOrder) {
    QList<std::pair<Messages::Event::Kind, QString>> events;
    Messages::setScript([&](const Messages::Event& e) { events.append({e.kind, e.text}); });
    Messages::Beep();
    Messages::MsgBox("Errore: \r\rERR: 53 - File non trovato");
    Messages::setScript(nullptr);
    EXPECT_EQ(events, (QList<std::pair<Messages::Event::Kind, QString>>{
                          {Messages::Event::BeepSound, ""}, {Messages::Event::Box, "Errore: \r\rERR: 53 - File non trovato"}}));
}

// The question: its box offers Sì and No, Escape answers No; a script answers it.
TEST(Messages, AQuestionIsAnsweredSiOrNo) {
    const auto answer = [](const std::function<void(QMessageBox*)>& act) {
        QTimer::singleShot(50, [act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Mirasito");
            EXPECT_EQ(box->text(), "Interrompere la copia?");
            QStringList buttons;
            for (QAbstractButton* b : box->buttons())
                buttons << b->text();
            buttons.sort();
            EXPECT_EQ(buttons, (QStringList{"No", "Sì"}));
            act(box);
        });
        return Messages::Question("Interrompere la copia?");
    };
    EXPECT_TRUE(answer([](QMessageBox* box) {
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "Sì")
                b->click();
    }));
    EXPECT_FALSE(answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }));
    EXPECT_FALSE(answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }));  // No is the default

    QStringList asked;
    Messages::setScript([&](const Messages::Event& e) {
        asked << e.text;
        e.yes = e.kind == Messages::Event::Ask && asked.size() == 2;
    });
    EXPECT_FALSE(Messages::Question("prima?"));
    EXPECT_TRUE(Messages::Question("seconda?"));
    Messages::setScript(nullptr);
    EXPECT_EQ(asked, (QStringList{"prima?", "seconda?"}));
}
