#pragma once
// A real Form3 in a folder of its own, with every message box and beep recorded
// (a beep as "<beep>") and answered at once, for the copier's tests.
#include "app/Form3.h"
#include "display/Messages.h"
#include "tests/support/HttpServer.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(outer.isValid());
        Messages::setScript([this](const Messages::Event& e) {
            events.push_back(e.kind == Messages::Event::BeepSound ? QStringLiteral("<beep>") : e.text);
            if (onMessage)
                onMessage(e);
        });
        form = std::make_unique<Form3>(InHousePaths{outer.filePath("no-marker"), outer.filePath("no-folder")});
        form->setEndProgram([] {});
    }
    void TearDown() override {
        form.reset();
        Messages::setScript(nullptr);
    }

    HttpServer server;
    QTemporaryDir outer;
    std::unique_ptr<Form3> form;
    QStringList events;
    std::function<void(const Messages::Event&)> onMessage; // called after each is recorded
};
