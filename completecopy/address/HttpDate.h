#pragma once
#include <QByteArray>
#include <QDateTime>

// Dates as HTTP writes them ("Sun, 06 Nov 1994 08:49:37 GMT"; the older forms are
// read too). An invalid QDateTime for a text that is not a date.
QDateTime parseHttpDate(const QByteArray& text);
QByteArray httpDate(const QDateTime& when);
