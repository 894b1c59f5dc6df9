#pragma once
#include <QString>
#include <functional>

class QWidget;

// The system beep and the program's message box: modal, titled "Mirasito", OK only.
namespace Messages {

void Beep();
void MsgBox(const QString& text);

// The window that message boxes belong to (the main window).
void setOwner(QWidget* owner);

// Scriptable stand-in for tests: while a script is set, nothing modal is shown and
// every beep and message goes to the script instead.
struct Event {
    enum Kind { BeepSound, Box } kind;
    QString text; // the message text for Box
};
using Script = std::function<void(const Event&)>;
void setScript(Script script);

} // namespace Messages
