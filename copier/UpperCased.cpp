#include "copier/UpperCased.h"

QString upperCased(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = c.toUpper();
    return out;
}
