#include "display/Messages.h"
#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace Messages {
namespace {

QPointer<QWidget>& owner() {
    static QPointer<QWidget> o;
    return o;
}

Script& script() {
    static Script s;
    return s;
}

} // namespace

void Beep() {
    if (script()) {
        script()({Event::BeepSound, QString()});
        return;
    }
    QApplication::beep();
}

void MsgBox(const QString& text) {
    if (script()) {
        script()({Event::Box, text});
        return;
    }
    QMessageBox box(owner());
    box.setWindowTitle(QStringLiteral("Mirasito"));
    box.setTextFormat(Qt::PlainText); // "<", "&" and the like show as typed
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void setOwner(QWidget* o) {
    owner() = o;
}

void setScript(Script s) {
    script() = std::move(s);
}

} // namespace Messages
