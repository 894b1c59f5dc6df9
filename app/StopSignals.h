#pragma once
#include <functional>

// Ctrl+C and a polite kill at the terminal while a copy runs from the command line
// (SIGINT and SIGTERM; on Windows Ctrl+C, Ctrl+Break and the console closed): the
// first asks for the copy to stop cleanly, from the window's event loop, with the exit
// status the convention gives the signal (130, 143); a second Ctrl+C ends the program
// at once.
namespace StopSignals {

void watch(std::function<void(int exitCode)> onStop);
// The signals do what they did before.
void release();

} // namespace StopSignals
