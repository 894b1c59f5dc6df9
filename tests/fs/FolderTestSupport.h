#pragma once
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QString>

// Program form of a host path: every "/" written as "\" (the form the commands use).
inline QString programForm(QString hostPath) {
    hostPath.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return hostPath;
}

// Every entry below root, as "/"-separated paths relative to it; folders end with "/".
inline QSet<QString> treeOf(const QString& root) {
    QSet<QString> entries;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        QString rel = base.relativeFilePath(it.filePath());
        if (it.fileInfo().isDir())
            rel += QLatin1Char('/');
        entries.insert(rel);
    }
    return entries;
}

inline bool writeFile(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
