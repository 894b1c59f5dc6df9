#pragma once
#include <QString>

// Gives the typed address (trimmed, not empty) a scheme: "www..." gets "http://";
// "file://", "http://", "ftp://" and anything holding "//" stay; anything else gets
// "file://". Case-sensitive.
QString NORMALIZZA_URL(const QString& address);
