#pragma once
#include <QString>

// Creates the folder and every missing folder above it, top down, level by level;
// true when the folder exists at the end (also when it existed before). Splits at
// "\" (and at "/" where that is the host's separator). Never raises.
bool CREA_CARTELLE(QString path);
