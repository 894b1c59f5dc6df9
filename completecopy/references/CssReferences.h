#pragma once
#include <QString>
#include <QStringList>

// The addresses a stylesheet names, in order: every url(...), quoted or not, the
// string of every @import, and the strings of image-set(); nothing from inside a
// comment. CSS escapes are decoded.
QStringList findCssReferences(const QString& css);
