#pragma once
#include "net/InternetSettings.h"
#include <QString>

class Inet;

// Downloads one address into one file (program path), bytes unchanged: applies the
// settings, fetches, yields once, then replaces the file with exactly the bytes
// received (written beside it and renamed over it). No folder is created. Any
// failure raises RunError and leaves an existing file untouched.
void Scarica_File_2(Inet& inet, const InternetSettings& boxes, const QString& htmPage, const QString& Nome_File);
