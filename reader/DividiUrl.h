#pragma once
struct SharedState;

// Splits WURL at its last "/" or "\" into WURL_DIR and WURL_FILE. When the file part
// holds no ".", the address names a folder: WURL_DIR becomes the whole WURL and
// WURL_FILE "index.htm" (the default case). Returns true in the default case.
bool DIVIDI_URL(SharedState& s);

// The page reader's completion of the default case: WURL_DIR ends with a separator
// ("/" appended when it ends with neither) and WURL becomes WURL_DIR + WURL_FILE.
void COMPLETA_URL(SharedState& s);
