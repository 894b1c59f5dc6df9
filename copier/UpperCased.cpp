#include "copier/UpperCased.h"

QString upperCased(const QString& text) {
    QString out(text.size(), Qt::Uninitialized);
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = s[i];
        // Pages are mostly ASCII, whose letters need no look-up in the character tables.
        if (c < 0x80)
            d[i] = c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
        else
            d[i] = QChar::toUpper(c);
    }
    return out;
}
