#pragma once
#include <QString>

// The address a refresh names, and where it stands in the content: without the
// quotes around it and the blanks after it.
struct RefreshAddress {
    QString address;  // empty when the content names none (a plain reload)
    qsizetype at = -1;
    qsizetype length = 0;
    bool quoted = false;  // written in quotes ('...' or "...")
    QChar quote;
};

// The address of a refresh ("5; url=next.html", "0;URL='x.htm'", "3, next.html").
RefreshAddress metaRefreshSpan(const QString& content);

// The address alone; empty when the content names none.
QString metaRefreshAddress(const QString& content);
