#include "display/Messages.h"
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

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

bool Question(const QString& text) {
    if (script()) {
        const Event asked{Event::Ask, text};
        script()(asked);
        return asked.yes;
    }
    QMessageBox box(owner());
    box.setWindowTitle(QStringLiteral("Mirasito"));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    QPushButton* yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return box.clickedButton() == yes;
}

void setOwner(QWidget* o) {
    owner() = o;
}

void setScript(Script s) {
    script() = std::move(s);
}

} // namespace Messages
