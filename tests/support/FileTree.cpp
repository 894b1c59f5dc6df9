#include "tests/support/FileTree.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>

FileTree fileTree(const QString& root, Folders folders) {
    FileTree tree;
    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;
    if (folders == Folders::Listed)
        filters |= QDir::Dirs;
    QDirIterator it(root, filters, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            tree.insert(rel + "/", {});
        } else {
            QFile f(path);
            tree.insert(rel, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        }
    }
    return tree;
}
