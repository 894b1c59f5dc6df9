#include "reader/ContentTests.h"

bool passesHtmTest(const QString& text) {
    return text.toUpper().contains(QStringLiteral("HTM"));
}

bool passesImageTest(const QString& text) {
    const QString upper = text.toUpper();
    return upper.contains(QStringLiteral("JPG")) || upper.contains(QStringLiteral("GIF"));
}
