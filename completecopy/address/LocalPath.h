#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>

// Where a complete copy keeps the file of an address: the address's path below the
// destination (the host left out), folders separated by "\", so that the pages'
// relative links lead from file to file. A folder address ("/docs/") becomes its
// index.html; a query string joins the name after "@" ("list.php@page=2"); names a
// disk refuses on any system (characters such as ":" and "?", control characters,
// "." and "..", trailing dots and blanks, device names such as CON, names too long)
// are written with %XX escapes or shortened with a hash, so the result never leaves
// the destination and is the same for the same address on every run.
QString localPathFor(const QUrl& address);

// The copy's own files in the destination folder, which no address of the site may
// take: an address that would is given an escaped name.
inline const QStringList& reservedNames() {
    static const QStringList names{QStringLiteral("mirasito-copia.txt"), QStringLiteral("mirasito-stato.txt"),
                                   QStringLiteral("mirasito-stato.txt.nuovo"), QStringLiteral("mirasito-ricambio.tmp")};
    return names;
}
