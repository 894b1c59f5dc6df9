#pragma once
#include <QString>

// The text upper-cased one character for one character, so that every position in
// the result is the position of the same letter in the text as written.
QString upperCased(const QString& text);
