#pragma once
#include <QString>

// The address of a refresh ("5; url=next.html", "0;URL='x.htm'", "3, next.html");
// empty when the content names none (a plain reload).
QString metaRefreshAddress(const QString& content);
