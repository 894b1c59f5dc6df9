#pragma once
#include <QString>

// The name the save dialog proposes for the source pane: the file part of the
// address box text (after its last "\" or "/"), with ".", "?" and "+" turned into
// "_", placed in the destination folder and given the ".HTM" extension. The
// destination folder already ends with its separator; none is added.
QString proposedSaveName(const QString& address, const QString& destFolder);
