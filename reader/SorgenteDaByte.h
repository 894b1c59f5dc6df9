#pragma once
#include <QByteArray>
#include <QString>

// The hosting portal's home address, and the two not-found markers.
inline const QString kPortalHome = QStringLiteral("http://www.digiland.example");
inline const QString kMarkerTitle = QStringLiteral("<title>DIGILAND</title>");
inline const QString kMarkerBase = QStringLiteral("<BASE HREF=\"") + kPortalHome;

struct SourceText {
    QString text;
    bool found = true; // false: the page is the portal's not-found page
};

// Turns fetched bytes into the page's source text, one character a byte (Cp1252),
// dropping CR and/or LF when asked; with lookForMarkers, a text holding either
// marker (case-sensitive) is judged not found.
SourceText SORGENTE_DA_BYTE(const QByteArray& bytes, bool dropCR, bool dropLF, bool lookForMarkers);
