#pragma once
#include "app/Form3.h"
#include <QDir>
#include <QTemporaryDir>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// The in-house marker file and program folder as they would lie under base, in program form.
inline InHousePaths inHouseUnder(const QString& base) {
    auto form = [](const QString& p) { return QDir::cleanPath(p).replace('/', '\\'); };
    return {form(base + "/UTILITY/DOR-ZIP.EXE"), form(base + "/VELT/PRG") + "\\"};
}

// A window whose in-house paths lead nowhere and whose close is only counted.
struct OrdinaryForm : QTemporaryDir, Form3 {
    int closes = 0;
    OrdinaryForm() : Form3(inHouseUnder(path())) { setEndProgram([this] { ++closes; }); }
};
