#pragma once

class Form3;
struct SharedState;

// The start-up module: the start routine and the shared variables that live as
// long as the program.
namespace Module1 {

// The program's shared variables, the same instance for every command.
SharedState& state();

// Start routine: loads the main window (its Form_Load applies the in-house preset)
// and shows it (unless told not to), not modal, then returns; the program lives on in the event loop.
// Needs the application object.
Form3& Main(bool show = true);

// The main window once Main has run; nullptr before.
Form3* form();

// Deletes the main window, for when the event loop has returned without the window
// being closed; call before the application object goes.
void End();

} // namespace Module1
