#pragma once
// What lies under a folder, for tests to compare: every file by its path relative
// to the folder, with its bytes; with folders listed, each folder too, as "path/"
// with no bytes. Hidden files count.
#include <QByteArray>
#include <QMap>
#include <QString>

using FileTree = QMap<QString, QByteArray>;

enum class Folders { Skipped, Listed };

FileTree fileTree(const QString& root, Folders folders = Folders::Listed);
