#pragma once
#include <QString>
#include <QUrl>

// The address a reference of a page names, resolved against the page's base as a
// browser resolves it: blanks around it and line breaks inside it dropped, "\" read
// as "/" in web addresses, "." and ".." steps resolved, the fragment dropped, an
// empty path made "/", a default port left out. Invalid when the reference cannot be
// read as an address.
QUrl resolveReference(const QUrl& base, const QString& reference);

// The address normalised as above.
QUrl normalisedAddress(const QUrl& address);

// The address in the form under which a copy counts it once and asks for it:
// normalised as above, fully percent-encoded.
QString addressKey(const QUrl& address);
