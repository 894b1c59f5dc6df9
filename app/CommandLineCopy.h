#pragma once
#include "app/CommandLine.h"
#include <ostream>

class Form3;

// Runs "Copia sito" on the main window with its boxes filled from the command line.
// Every message box is written to err (CR as a line break) and answered at once; a
// line for each address goes to out (level, address, local file or what went
// wrong), and a summary line at the end. Gives the exit status: 0 when the copy
// ended with its completion message, 2 with the reference limit, 1 when a message
// ended it early.
int runCommandLineCopy(Form3& form, const CommandLine::CopyRequest& request, std::ostream& out,
                       std::ostream& err);

// Whether a copy from the command line shows its window: not when asked to hide it,
// nor where there is no screen to show it on.
bool copyShowsWindow(const CommandLine::CopyRequest& request);
