#pragma once
#include <QString>
#include <functional>

class QWidget;

// The system beep and the program's message box: modal, titled "Mirasito", OK only;
// and the question a long command asks before it is broken off (Sì/No).
namespace Messages {

void Beep();
void MsgBox(const QString& text);
// True when the answer is Sì; Escape and closing the box answer No.
bool Question(const QString& text);

// The window that message boxes belong to (the main window).
void setOwner(QWidget* owner);

// Scriptable stand-in for tests: while a script is set, nothing modal is shown and
// every beep, message and question goes to the script instead; a question is answered
// Sì when the script sets yes.
struct Event {
    enum Kind { BeepSound, Box, Ask } kind;
    QString text; // the message text for Box and Ask
    mutable bool yes = false;
};
using Script = std::function<void(const Event&)>;
void setScript(Script script);

} // namespace Messages
