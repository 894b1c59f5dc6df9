#pragma once
#include <QString>

// Removes the blanks (spaces, character 32) at both ends; tabs and other white
// space are kept, as the boxes' rules ask.
QString trimBlanks(const QString& text);
