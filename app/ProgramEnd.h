#pragma once

// Ends the program at once, from wherever it is called (a handler, a nested event
// loop, a transfer that yields): flushes the standard streams and leaves with exit
// code 0, running no destructor. Open files are closed by the system; downloads are
// written beside their file and renamed over it, so none is left half-written.
[[noreturn]] void endProgramNow();
// The same, leaving with the exit code given.
[[noreturn]] void endProgramWith(int code);
