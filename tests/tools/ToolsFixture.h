#pragma once
// A real main window with only the message boxes and the file dialog scripted.
#include "app/Form3.h"
#include "display/CommonDialog.h"
#include "display/Messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// What the scripted dialog saw when it was shown.
struct DialogShowing {
    bool save = false;
    QString filter;
    QString defaultExt;
    QString fileName;
};

class ToolsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Messages::setScript([this](const Messages::Event& e) {
            events.push_back(e.kind == Messages::Event::BeepSound ? QStringLiteral("<beep>") : e.text);
        });
        CommonDialog::setScript([this](CommonDialog& d, bool save) {
            showings.push_back({save, d.Filter, d.DefaultExt, d.FileName});
            return answer ? answer(d) : false;
        });
        form = std::make_unique<Form3>(InHousePaths{dir.filePath("no-marker"), dir.filePath("no-folder")});
        form->setEndProgram([] {});
    }
    void TearDown() override {
        form.reset();
        CommonDialog::setScript(nullptr);
        Messages::setScript(nullptr);
    }

    // The user picks this name (program form) and confirms.
    void pick(const QString& name) {
        answer = [name](CommonDialog& d) {
            d.FileName = name;
            return true;
        };
    }
    void cancel() {
        answer = [](CommonDialog&) { return false; };
    }
    // Program form of a path below the temporary folder.
    QString at(const QString& relative) const {
        QString path = dir.filePath(relative);
        path.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return path;
    }
    // The temporary folder in program form, ending with its separator.
    QString destFolder() const { return at(QStringLiteral("x")).chopped(1); }
    QString host(const QString& relative) const { return dir.filePath(relative); }

    static QByteArray bytesOf(const QString& hostPath) {
        QFile f(hostPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    std::unique_ptr<Form3> form;
    QStringList events;
    std::vector<DialogShowing> showings;
    std::function<bool(CommonDialog&)> answer;
};
