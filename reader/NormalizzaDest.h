#pragma once
#include <QString>

// The destination folder from the text of the destination box: trimmed, then
// "\" appended when it holds a "\" and does not end with one, "/" appended when it
// holds a "/" and does not end with one, and finally "\" when it does not end with "\".
QString NORMALIZZA_DEST(const QString& boxText);
