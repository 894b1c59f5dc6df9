#pragma once
#include "completecopy/references/FoundReference.h"
#include <QByteArray>
#include <QString>

// The bytes that write value where a reference of that syntax stood, so that the page
// or stylesheet reads value back there and nothing around it changes: escaped first
// for what is inside the markup (a srcset candidate, a refresh in quotes, a CSS string
// or bare url()), then for the markup (an attribute in its quotes or without any, the
// text of a <style> element). value is ASCII, as relativeLink and an address in full
// give it; anything else in it is written as the %XX of its UTF-8.
QByteArray writtenValue(const QString& value, ValueSyntax syntax);
