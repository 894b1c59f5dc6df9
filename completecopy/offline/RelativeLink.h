#pragma once
#include <QString>
#include <optional>

// Links between the files of a copy, which are named in program form: a path below
// the destination, folders separated by "\" ("docs\guide\page.html").

// The link a page kept in `from` writes to open `to` when read from the disk: up from
// the folder of `from` as far as the two share, then down to `to` ("../img/a.png";
// the file name alone in the same folder, and for `from` itself). Each step is
// percent-encoded so that a file: address reads it back as the same name: "%", "?",
// "#", blanks and control characters, non-ASCII letters (as the %XX of their UTF-8),
// and the characters that mean something in HTML or CSS (" ' < > & ( ) \ `), as well as
// ":" "[" "]" "{" "}" "|" "^". The link is ASCII.
QString relativeLink(const QString& from, const QString& to);

// The file a relative link leads to from a page kept in `from` (its fragment left out,
// escapes decoded, "." and ".." steps resolved, "\" read as "/" as browsers read it in a
// file: address). nullopt when the link is no relative path (it has a scheme, starts
// with "/" or "\", or holds a query), leads above the destination, names a folder, or
// decodes to something that is no name of a file (bytes that are not UTF-8, a "/").
std::optional<QString> linkedFile(const QString& from, const QString& link);
