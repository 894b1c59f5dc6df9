#pragma once
#include "net/InternetSettings.h"

class Inet;

// Applies the settings boxes to the transfer component before a transfer, in order:
// user name, password, proxy (each trimmed), then, only when the trimmed port box is
// not empty, the port converted as a number (a half rounded to the even neighbour).
// A port text that is not a number or lies outside -32768..32767 raises RunError
// (ErrorCodes::PortaNonValida) after the first three settings were applied.
void IMPOSTA_INTERNET(Inet& inet, const InternetSettings& boxes);
