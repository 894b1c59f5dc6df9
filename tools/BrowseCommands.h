#pragma once

struct FormControls;

// "Sfoglia ..." beside the address box: picks a local page (".HTM") and puts its
// path into Text1 without opening it. Refused, with a beep, while the box holds an
// Internet address ("HTTP://" in any case, after blanks).
void Command3_Click(const FormControls& form);

// "Sfoglia ..." beside the destination box: picks (or types) a folder, puts it into
// Text3 and creates it at once with every missing folder above it, then says so.
void cmdSFOGLIA2_Click(const FormControls& form);

// Both share the one file dialog, whose filter and default extension persist from
// one showing to the next. A cancelled dialog ends either command with nothing
// changed and no message.
