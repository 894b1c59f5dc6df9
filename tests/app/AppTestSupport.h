#pragma once
#include "app/Form3.h"
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

// Readable failure output for strings and string lists.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// A program-form path ("\" between folders) for a place on this disk.
inline QString programForm(const QString& path) {
    QString p = QDir::cleanPath(path);
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return p;
}

// In-house paths that lead nowhere: a window as every ordinary installation sees it.
inline InHousePaths nowhere(const QTemporaryDir& dir) {
    InHousePaths p;
    p.markerFile = programForm(dir.path() + "/UTILITY/DOR-ZIP.EXE");
    p.folder = programForm(dir.path() + "/VELT/PRG") + "\\";
    return p;
}

// The same, without a folder to clean up (for a process that ends without cleaning).
inline InHousePaths missingInstallation() {
    const QString base = QDir::tempPath() + "/mirasito-nessuna-installazione";
    InHousePaths p;
    p.markerFile = programForm(base + "/UTILITY/DOR-ZIP.EXE");
    p.folder = programForm(base + "/VELT/PRG") + "\\";
    return p;
}

// A window that is not in-house and whose close is only counted, never ends the test.
struct OrdinaryForm {
    QTemporaryDir dir;
    std::unique_ptr<Form3> form;
    int closes = 0;
    OrdinaryForm() : form(std::make_unique<Form3>(nowhere(dir))) {
        form->setEndProgram([this] { ++closes; });
    }
    Form3* operator->() { return form.get(); }
    Form3& operator*() { return *form; }
};
