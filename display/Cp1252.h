#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The single-byte mapping shared by the page source text and the source pane's
// plain-text save: Windows-1252, with the five bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) mapped to the same code points, so that
// bytes -> text -> bytes is the identity for every byte.
namespace Cp1252 {

QChar toChar(unsigned char byte);

// One character a byte, NUL included.
QString toText(QByteArrayView bytes);

// One byte a character; a character outside the mapping becomes '?'.
QByteArray fromText(const QString& text);

} // namespace Cp1252
