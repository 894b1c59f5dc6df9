#include "fs/RicavaPath.h"
#include <gtest/gtest.h>

TEST(RicavaPath, FolderPartUpToTheLastSeparator) {
    const std::pair<QString, QString> cases[] = {
        {"http://server/dir/page.htm", "http://server/dir/"},
        {"C:\\TMP\\page.htm", "C:\\TMP\\"},
        {"C:\\TMP\\", "C:\\TMP\\"},
        {"a/b\\c", "a/b\\"},
        {"a\\b/c", "a\\b/"},
        {"http://www.server", "http://"},
        {"page.htm", ""},
        {"", ""},
    };
    for (const auto& [n, expected] : cases) {
        QString wdir = QStringLiteral("left over"); // always replaced, also by ""
        RICAVA_PATH(wdir, n);
        EXPECT_EQ(wdir, expected) << n.toStdString();
    }
}
