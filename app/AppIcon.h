#pragma once
#include <QIcon>
#include <QImage>

// The window's icon: a globe with a download arrow, one 32x32 and one 16x16 image,
// both in the 16 colours of the classic VGA palette.
QImage appIconImage(int size);
QIcon appIcon();
