#pragma once
#include <QString>

struct FormControls;

// "Registra sorgente": writes the source pane's text, unchanged, to the file the
// user picks in the save dialog, which proposes a name made from the address box.
// An empty address box does nothing; a cancelled dialog saves nothing.
void cmdREGISTRA_Click(const FormControls& form);
