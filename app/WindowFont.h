#pragma once
#include <QFont>

// The font of the window's controls (all but the credit labels and the source pane,
// which have their own). The layout's sizes were made for an 8-point sans serif
// with Arial's widths; the platform's own sans serif face is taken at that size,
// or, when one is installed, a face with those widths, so that every caption fits.
QFont windowFont();
