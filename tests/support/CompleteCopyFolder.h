#pragma once
// What a complete copy leaves in its destination folder, for tests to check.
#include "tests/support/FileTree.h"

#include <QString>
#include <QStringList>

// The files of the site copied: the folder without the copy's own report, state and
// journal.
FileTree copiedSite(const QString& dest);

// Files the copy writes only while it works on them (a body arriving, a copy of a
// file under a second name); none should be left when it has ended.
QStringList temporaryFilesIn(const QString& dest);

// The report's last line.
QString reportEnd(const QString& dest);
