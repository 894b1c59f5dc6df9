#pragma once
#include <QString>

// The numeric value of a box's text: the number at its start (leading blanks
// skipped, a sign and a fraction allowed), 0 when the text does not start with one.
double levelValue(const QString& text);
