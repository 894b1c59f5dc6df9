#include "fs/CreaCartelle.h"
#include "fs/EsisteCartella.h"
#include "fs/NativePath.h"
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A temporary folder holding the folder "pre" and the file "file.txt", made the
// working folder while the test runs (so that "." and ".." name real folders).
struct Sandbox {
    QTemporaryDir tmp;
    const QString before = QDir::currentPath();
    QString root = tmp.path();
    QString program = QString(root).replace(QLatin1Char('/'), QLatin1Char('\\')); // the commands' form
    Sandbox() {
        QFile f(root + QStringLiteral("/file.txt"));
        EXPECT_TRUE(QDir(root).mkdir(QStringLiteral("pre")) && f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        EXPECT_TRUE(QDir::setCurrent(root + QStringLiteral("/pre")));
    }
    ~Sandbox() { QDir::setCurrent(before); }
    // Every entry below the root, relative to it; folders end with "/".
    QSet<QString> tree() const {
        QSet<QString> entries;
        QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            entries.insert(QDir(root).relativeFilePath(it.filePath()) + (it.fileInfo().isDir() ? "/" : ""));
        }
        return entries;
    }
};

} // namespace

TEST(EsisteCartella, OnlyFoldersAndNeverTheFourRejectedStrings) {
    Sandbox box;
    const QString pre = box.program + QStringLiteral("\\pre");
    const std::pair<QString, bool> cases[] = {
        {pre, true}, {pre + "\\", true}, // same answer with or without the trailing separator
        {box.program + "\\file.txt", false}, {box.program + "\\file.txt\\", false},
        {pre + "\\missing", false}, {pre + "\\missing\\", false},
        {"", false}, {".", false}, {"..", false}, {"\\", false},
        {".\\", true}, {"..\\", true}, // "." and ".." are rejected by their text only
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ESISTE_CARTELLA(path), expected) << '"' << path.toStdString() << '"';
}

TEST(CreaCartelle, CreatesEveryMissingLevelAndNothingElse) {
    enum Root { Program, Native, Working }; // how the path starts: root in "\" form, in "/" form, or relative
    struct Case { Root root; const char* tail; bool expected; QSet<QString> created; };
    const Case cases[] = {
        {Program, "\\a\\b\\c", true, {"a/", "a/b/", "a/b/c/"}},
        {Native, "/a/b/c", true, {"a/", "a/b/", "a/b/c/"}},
        {Native, "/a\\b/", true, {"a/", "a/b/"}},    // mixed, with a trailing separator
        {Program, "\\a\\b\\", true, {"a/", "a/b/"}}, // trailing separator
        {Program, "\\a\\\\b", true, {"a/", "a/b/"}}, // doubled separator: the empty part is skipped
        {Working, "x\\y", true, {"pre/x/", "pre/x/y/"}},
        {Program, "\\pre", true, {}},
        {Program, "\\file.txt\\sub\\deeper", false, {}}, // below a file: can never be made
        {Working, "", false, {}},
        {Working, "\\", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        if (c.root == Native && !hostUsesSlash())
            continue;
        Sandbox box;
        const QSet<QString> before = box.tree();
        const QString start = c.root == Program ? box.program : c.root == Native ? box.root : QString();
        EXPECT_EQ(CREA_CARTELLE(start + QString::fromLatin1(c.tail)), c.expected);
        EXPECT_EQ(box.tree(), before + c.created);
    }
}
