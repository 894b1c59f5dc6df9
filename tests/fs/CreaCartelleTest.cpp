#include "fs/CreaCartelle.h"
#include "fs/NativePath.h"
#include "tests/fs/FolderTestSupport.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    QString (*path)(const QString& root); // built from the temporary folder's host path
    bool expected;
    QStringList created; // the folders that must appear, and nothing else
    bool hostSlashOnly = false;
};

QString P(const QString& root, const char* tail) { return programForm(root) + QString::fromLatin1(tail); }

} // namespace

// Each case starts from a temporary folder holding the folder "pre" and the file
// "file.txt", and must leave exactly the listed folders behind it.
TEST(CreaCartelle, CreatesEveryMissingLevelAndNothingElse) {
    const Case cases[] = {
        {"nested levels, program form", [](const QString& r) { return P(r, "\\a\\b\\c"); }, true,
         {"a/", "a/b/", "a/b/c/"}},
        {"trailing separator", [](const QString& r) { return P(r, "\\a\\b\\"); }, true, {"a/", "a/b/"}},
        {"doubled separator skips the empty part", [](const QString& r) { return P(r, "\\a\\\\b"); }, true,
         {"a/", "a/b/"}},
        {"existing folder", [](const QString& r) { return P(r, "\\pre"); }, true, {}},
        {"existing folder with separator", [](const QString& r) { return P(r, "\\pre\\"); }, true, {}},
        {"below an existing folder", [](const QString& r) { return P(r, "\\pre\\x"); }, true, {"pre/x/"}},
        {"below a file", [](const QString& r) { return P(r, "\\file.txt\\sub\\deeper"); }, false, {}},
        {"the file itself", [](const QString& r) { return P(r, "\\file.txt"); }, false, {}},
        {"native form", [](const QString& r) { return r + QStringLiteral("/n1/n2/n3"); }, true,
         {"n1/", "n1/n2/", "n1/n2/n3/"}, true},
        {"native form with trailing separator", [](const QString& r) { return r + QStringLiteral("/n1/"); }, true,
         {"n1/"}, true},
        {"mixed separators", [](const QString& r) { return r + QStringLiteral("/m1\\m2/m3"); }, true,
         {"m1/", "m1/m2/", "m1/m2/m3/"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.hostSlashOnly && !hostUsesSlash())
            continue;
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("pre")));
        ASSERT_TRUE(writeFile(tmp.path() + QStringLiteral("/file.txt")));
        const QSet<QString> before = treeOf(tmp.path());

        EXPECT_EQ(CREA_CARTELLE(c.path(tmp.path())), c.expected);

        QSet<QString> expected = before;
        for (const QString& d : c.created)
            expected.insert(d);
        EXPECT_EQ(treeOf(tmp.path()), expected);
    }
}

TEST(CreaCartelle, EmptyAndSeparatorOnlyPathsCreateNothing) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.path()));
    EXPECT_FALSE(CREA_CARTELLE(QString()));
    EXPECT_FALSE(CREA_CARTELLE(QStringLiteral("\\")));
    EXPECT_TRUE(treeOf(tmp.path()).isEmpty());
    QDir::setCurrent(before);
}

TEST(CreaCartelle, RelativePathIsCreatedInTheWorkingFolder) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.path()));
    EXPECT_TRUE(CREA_CARTELLE(QStringLiteral("sito\\dir")));
    QDir::setCurrent(before);
    EXPECT_EQ(treeOf(tmp.path()), (QSet<QString>{"sito/", "sito/dir/"}));
}

TEST(CreaCartelle, PathThatCannotBeCreatedGivesFalseWithoutRaising) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(writeFile(tmp.path() + QStringLiteral("/blocker")));
    // A level named like an existing file can never be made; nor can anything below it.
    const QString path = programForm(tmp.path()) + QStringLiteral("\\blocker\\a\\b\\c\\d");
    bool result = true;
    EXPECT_NO_THROW(result = CREA_CARTELLE(path));
    EXPECT_FALSE(result);
}
