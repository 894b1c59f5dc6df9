#pragma once
#include <QString>
#include <QStringList>

// The address of every candidate of a srcset attribute ("a.png 1x, b.png 2x"), as a
// browser splits it: a candidate's address ends at white space, commas at its end
// are not part of it, and its descriptors run to the next comma outside brackets.
QStringList srcsetCandidates(const QString& srcset);
