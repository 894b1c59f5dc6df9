#pragma once
#include <QString>
#include <functional>

// The temporary files the program has open or waiting on the disk (a download being
// written beside its final name, say), so that a program ending at once leaves none
// of them behind. A file marked kept (a large part of a download that was cut, to be
// continued later) is left where it is.
//
// Paths are the disk's own (nativePath()). Everything here runs on the window's
// thread and may be called from anywhere, also right before the program ends.
namespace TemporaryFiles {

// The file (or folder, removed with what it holds) is one of the program's temporary
// files, not kept. closeFirst, when given,
// closes the program's handle on it before it is removed (a file still open cannot be
// removed on every system); closed() drops it.
void add(const QString& path, std::function<void()> closeFirst = {});

// The program's handle on the file is closed: nothing is to be closed before removing it.
void closed(const QString& path);

// Whether the file is to be left on the disk when the program ends.
void keep(const QString& path, bool kept = true);

// The file is no longer a temporary file of the program (it was renamed into place or
// removed).
void forget(const QString& path);

// Whether the file is registered, and kept.
bool isRegistered(const QString& path);
bool isKept(const QString& path);

// Removes every registered file that is not kept (closing it first) and forgets it;
// kept files are forgotten and left on the disk. Returns how many were removed.
int removeAllNotKept();

} // namespace TemporaryFiles
