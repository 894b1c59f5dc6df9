#include "display/Messages.h"
#include <QList>
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
