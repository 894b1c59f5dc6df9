#pragma once
#include "reader/FormControls.h"
#include <QString>

// The boxes a copy starts from, checked as "Copia sito" checks them: the address in
// Text1 and the destination in Text3 must not be empty, and the destination folder
// is made with every missing parent. Each refusal shows its message. On success the
// trimmed address comes back and WPATH_DEST holds the destination folder; an empty
// text when the copy cannot start.
QString checkCopyInputs(const FormControls& form);
