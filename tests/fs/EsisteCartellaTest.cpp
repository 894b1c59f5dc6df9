#include "fs/EsisteCartella.h"
#include "fs/NativePath.h"
#include "tests/fs/FolderTestSupport.h"
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(EsisteCartella, TheFourRejectedStringsAreNeverFolders) {
    // Run from inside a real folder, so that "." and ".." do name folders.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("inner")));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.path() + QStringLiteral("/inner")));
    for (const char* s : {"", ".", "..", "\\"})
        EXPECT_FALSE(ESISTE_CARTELLA(QString::fromLatin1(s))) << '"' << s << '"';
    // Not rejected by their text: the same folders written another way.
    EXPECT_TRUE(ESISTE_CARTELLA(QStringLiteral(".\\")));
    EXPECT_TRUE(ESISTE_CARTELLA(QStringLiteral("..\\")));
    QDir::setCurrent(before);
}

TEST(EsisteCartella, FoldersFilesAndMissingPaths) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString root = tmp.path();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("dir/sub")));
    ASSERT_TRUE(writeFile(root + QStringLiteral("/dir/page.htm")));

    const QString p = programForm(root);
    struct Case { QString path; bool expected; };
    const Case cases[] = {
        {p + QStringLiteral("\\dir"), true},
        {p + QStringLiteral("\\dir\\"), true},            // trailing separator: same answer
        {p + QStringLiteral("\\dir\\sub"), true},
        {p + QStringLiteral("\\dir\\page.htm"), false},   // a file
        {p + QStringLiteral("\\dir\\page.htm\\"), false},
        {p + QStringLiteral("\\dir\\missing"), false},
        {p + QStringLiteral("\\dir\\page.htm\\x"), false}, // below a file
    };
    for (const Case& c : cases)
        EXPECT_EQ(ESISTE_CARTELLA(c.path), c.expected) << c.path.toStdString();

    if (hostUsesSlash()) {
        // The host's own form, with and without its trailing separator.
        EXPECT_TRUE(ESISTE_CARTELLA(root + QStringLiteral("/dir")));
        EXPECT_TRUE(ESISTE_CARTELLA(root + QStringLiteral("/dir/")));
        EXPECT_FALSE(ESISTE_CARTELLA(root + QStringLiteral("/dir/page.htm")));
        EXPECT_FALSE(ESISTE_CARTELLA(root + QStringLiteral("/dir/page.htm/")));
    }
}
