#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>

// Replaces the file (program path) with exactly these bytes: they are written to a
// temporary file beside it, renamed over the old one only once complete, so a longer
// old file leaves nothing behind and a failure leaves the old file as it was; where
// there is no file yet, they are written under its name and a failure removes it
// again. No folder is created. Failures raise RunError with the file layer's numbers: missing
// folder 76, a folder or no name 75, no permission 70, disk full 61.
// With a valid modified, the file is given that time of its last change.
void replaceFile(const QString& programPath, const QByteArray& bytes, const QDateTime& modified = QDateTime());
