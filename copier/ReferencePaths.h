#pragma once
#include <QString>

// How the crawl turns a reference found on a page into the address it fetches and
// the local folder it saves into. Pure text rules; "/" and "\" both separate.

// True when the reference holds a "/" or a "\": it names a folder part, which is
// resolved against the site root and mirrored under the destination folder.
bool hasFolderPart(const QString& reference);

// Parent steps removed: while the text holds "..", it becomes what follows the first
// ".." and the one character after it ("../img/a.gif" -> "img/a.gif",
// "a/../b.htm" -> "b.htm").
QString withoutParentSteps(QString reference);

// The part after the last separator (the whole text when there is none).
QString filePart(const QString& reference);

// The address to fetch: the reference itself when it holds "http://", else the base
// followed by the reference, with a "/" between them when the base ends with no
// separator.
QString composeAddress(const QString& base, const QString& reference);

// The local folder of a reference with a folder part: the trimmed destination box, a
// "\", and the folder part of the reference, whose last "/" becomes "\".
QString localFolder(const QString& destinationBox, const QString& reference);
