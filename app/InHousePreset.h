#pragma once
#include <QString>

// The in-house installation is recognised at load by a marker file and a program
// folder; there it fills the Internet settings with the company's fixed values.
struct InHousePaths {
    QString markerFile = QStringLiteral("C:\\UTILITY\\DOR-ZIP.EXE"); // program form
    QString folder = QStringLiteral("C:\\VELT\\PRG\\");              // program form
};

namespace InHousePreset {

inline const QString kLogin = QStringLiteral("FONTAN");   // six capital letters
inline const QString kPassword = QStringLiteral("MARZO"); // five capital letters
inline const QString kProxy = QStringLiteral("GWY");      // three capital letters
inline const QString kPort = QStringLiteral("8080");

// True when the marker opens for reading (a folder, or a file that cannot be read,
// counts as missing; the file is only opened, never read) and the program folder
// exists. Never raises.
bool recognised(const InHousePaths& paths);

} // namespace InHousePreset
