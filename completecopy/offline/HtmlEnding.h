#pragma once
#include <QString>

// The file a page is kept in for reading offline. A browser opening a file from the
// disk tells a page by its name alone, so the local file of a page (a file served as
// HTML) whose name does not end in .html or .htm gets ".html" added: "about" becomes
// "about.html", "list.php@page=2" becomes "list.php@page=2.html"; "docs\index.html"
// stays. Any other file keeps its name.
QString withHtmlEnding(const QString& localPath, bool isPage);
