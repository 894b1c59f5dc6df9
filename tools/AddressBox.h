#pragma once
#include <functional>

class QLineEdit;
struct FormControls;

// The address box's own behaviour. Whenever it takes the focus, by mouse or by
// keyboard, its whole text is selected, so that typing replaces it. The window
// calls this once the box has handled the focus and the press that gave it.
void Text1_GotFocus(QLineEdit* Text1);

// KeyAscii is the typed character's code: 13 (Enter) runs the open-page command and
// waits for it, as a click on "GO" does. The code is left as it was, and every
// other key has no effect here.
void Text1_KeyPress(int& KeyAscii, const std::function<void()>& openPage);

// The preset buttons: each replaces the address box's text with its site's start
// page and opens nothing.
void Command5_Click(const FormControls& form);
void Command6_Click(const FormControls& form);
void Command7_Click(const FormControls& form);
void Command8_Click(const FormControls& form);
void Command9_Click(const FormControls& form);
