#include "app/WindowFont.h"
#include <QApplication>
#include <QFontDatabase>

QFont windowFont() {
    QFont font = QApplication::font();
    const QStringList installed = QFontDatabase::families();
    for (const char* family : {"Microsoft Sans Serif", "Arial", "Liberation Sans", "Arimo"}) {
        if (installed.contains(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPointSizeF(8.25);
    // Glyph widths on whole pixels, as the old window system drew them: the captions
    // then keep the widths the layout was made for.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}
