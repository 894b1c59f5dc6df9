#pragma once
#include <QString>

// True when the path (program form) names an existing folder. "", ".", ".." and "\"
// are never reported as folders; a path with or without its trailing separator gives
// the same answer; every failure of the query gives false.
bool ESISTE_CARTELLA(QString path);
