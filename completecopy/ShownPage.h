#pragma once
#include "completecopy/FetchedFile.h"
#include "reader/FormControls.h"

// Shows a page of a complete copy as the window shows any page: in the browser pane
// (where it shows pages) and, with "Visualizza sorgente .HTML" ticked, its source in
// the source pane, with the window's choices about line ends.
void showCopiedPage(const FormControls& form, const FetchedFile& page);
