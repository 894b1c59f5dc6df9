#pragma once
#include <QByteArray>
#include <QUrl>

// What a fetched file is to the crawl: a page read for its references, a stylesheet
// read for what it names, or anything else, kept as it is.
enum class ContentKind { Page, Stylesheet, Other };

// By the type the server named; a server that names none is guessed by the name, as
// a browser would guess.
ContentKind contentKindOf(const QByteArray& contentType, const QUrl& address);

// The charset a Content-Type names; empty when it names none.
QByteArray charsetOf(const QByteArray& contentType);
