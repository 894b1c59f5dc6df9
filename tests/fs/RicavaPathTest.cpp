#include "fs/RicavaPath.h"
#include <gtest/gtest.h>

TEST(RicavaPath, FolderPartUpToTheLastSeparator) {
    struct Case { QString n; QString wdir; };
    const Case cases[] = {
        {"http://server/dir/page.htm", "http://server/dir/"},
        {"C:\\TMP\\page.htm", "C:\\TMP\\"},
        {"http://server/dir/", "http://server/dir/"},
        {"C:\\TMP\\", "C:\\TMP\\"},
        {"a/b\\c", "a/b\\"},
        {"a\\b/c", "a\\b/"},
        {"http://www.server", "http://"},
        {"/", "/"},
        {"page.htm", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        QString wdir = QStringLiteral("left over"); // always replaced, also by ""
        const QString n = c.n;
        RICAVA_PATH(wdir, n);
        EXPECT_EQ(wdir, c.wdir) << c.n.toStdString();
        EXPECT_EQ(n, c.n);
    }
}
