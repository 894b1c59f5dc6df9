#pragma once
#include <QString>
#include <optional>

// The one reference a line of page source yields: the value of its first "HREF"
// attribute or, when the line holds no "HREF", of its first "SRC" (unless the line
// holds "SRCELEMENT" anywhere). Keywords are found anywhere in the line, in any case;
// the value runs from the first double quote after the "=" to the next one, or, with
// no double quote, up to the first blank, else up to the first ">". Nothing when a
// part is missing. The text is cut from the line as written; it may be empty and
// may hold blanks.
std::optional<QString> ESTRAI_HREF(const QString& line);
// The same for a line whose upper-cased form the caller has made already.
std::optional<QString> ESTRAI_HREF(const QString& line, const QString& upper);
