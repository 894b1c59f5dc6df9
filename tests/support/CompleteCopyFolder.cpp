#include "tests/support/CompleteCopyFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

FileTree copiedSite(const QString& dest) {
    FileTree t = fileTree(dest, Folders::Skipped);
    for (const char* own : {"mirasito-copia.txt", "mirasito-stato.txt", "mirasito-stato.txt.nuovo"})
        t.remove(own);
    return t;
}

QStringList temporaryFilesIn(const QString& dest) {
    QStringList found;
    for (QDirIterator it(dest, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (path.endsWith(".mirasito-parte") || path.endsWith(".mirasito-copia"))
            found << path;
    }
    return found;
}

QString reportEnd(const QString& dest) {
    QFile f(dest + "/mirasito-copia.txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}
