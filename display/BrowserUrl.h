#pragma once
#include <QString>
#include <QUrl>

// The URL the browser pane loads for an address in program form: http, https and
// ftp addresses as they are; a "file://" address names a local file in program
// form ("file://C:\pagine\a.htm", "file:///home/u/a.htm", or "file://a.htm" relative
// to the current folder) and becomes the URL of that file's absolute path.
QUrl browserUrl(const QString& address);
