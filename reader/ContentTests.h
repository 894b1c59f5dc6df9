#pragma once
#include <QString>

// The open-page command's two content tests, made on the upper-cased string.
// HTM test: it contains "HTM" (.HTM, .HTML, .htm and any other occurrence pass).
bool passesHtmTest(const QString& text);
// Image test: it contains "JPG" or "GIF".
bool passesImageTest(const QString& text);
