#include "reader/DividiUrl.h"
#include "reader/NormalizzaDest.h"
#include "reader/NormalizzaUrl.h"
#include "reader/SharedState.h"
#include <gtest/gtest.h>

TEST(AddressRules, NormalizzaUrlGivesEveryAddressAScheme) {
    struct Case { QString typed; QString expected; };
    const Case cases[] = {
        {"www.server/doc/a.htm", "http://www.server/doc/a.htm"},
        {"www", "http://www"},
        {"WWW.server", "file://WWW.server"},            // case-sensitive, no "//"
        {"ww.server", "file://ww.server"},
        {"C:\\pagine\\a.htm", "file://C:\\pagine\\a.htm"}, // "\" kept as typed
        {"a.htm", "file://a.htm"},
        {"\\\\server\\share\\a.htm", "file://\\\\server\\share\\a.htm"},
        {"/home/u/page.htm", "file:///home/u/page.htm"},
        {"http://server/x.htm", "http://server/x.htm"},
        {"ftp://server/x.gif", "ftp://server/x.gif"},
        {"file://C:\\x.htm", "file://C:\\x.htm"},
        {"https://server/x.htm", "https://server/x.htm"}, // holds "//"
        {"HTTP://server/x.htm", "HTTP://server/x.htm"},
        {"//server/x.htm", "//server/x.htm"},
        {"http:/server", "file://http:/server"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NORMALIZZA_URL(c.typed), c.expected) << c.typed.toStdString();
}

TEST(AddressRules, DividiUrlAndTheCompletionOfTheDefaultCase) {
    struct Case {
        QString url;
        bool folder;      // the default case applied
        QString dir;      // WURL_DIR after the split and, in the default case, the completion
        QString file;
        QString urlAfter; // WURL afterwards
    };
    const Case cases[] = {
        {"http://server/dir/page.htm", false, "http://server/dir/", "page.htm", "http://server/dir/page.htm"},
        {"http://server/dir/", true, "http://server/dir/", "index.htm", "http://server/dir/index.htm"},
        {"http://server/dir", true, "http://server/dir/", "index.htm", "http://server/dir/index.htm"},
        {"http://www.server", false, "http://", "www.server", "http://www.server"},
        {"file://C:\\pagine\\a.htm", false, "file://C:\\pagine\\", "a.htm", "file://C:\\pagine\\a.htm"},
        {"file://C:\\pagine", true, "file://C:\\pagine/", "index.htm", "file://C:\\pagine/index.htm"},
        {"file://C:\\pagine\\", true, "file://C:\\pagine\\", "index.htm", "file://C:\\pagine\\index.htm"},
        {"http://server/release1.2", false, "http://server/", "release1.2", "http://server/release1.2"},
        {"http://server/a.b/dir", true, "http://server/a.b/dir/", "index.htm", "http://server/a.b/dir/index.htm"},
        {"http://server\\dir/x\\y.gif", false, "http://server\\dir/x\\", "y.gif", "http://server\\dir/x\\y.gif"},
        {"file:///home/u/page.htm", false, "file:///home/u/", "page.htm", "file:///home/u/page.htm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        SharedState s;
        s.WURL = c.url;
        s.WURL_FILE = QStringLiteral("before.htm");
        const bool folder = DIVIDI_URL(s);
        EXPECT_EQ(folder, c.folder);
        if (folder) {
            EXPECT_EQ(s.WURL_DIR, c.url); // the split alone keeps the whole address
            COMPLETA_URL(s);
        }
        EXPECT_EQ(s.WURL_DIR, c.dir);
        EXPECT_EQ(s.WURL_FILE, c.file);
        EXPECT_EQ(s.WURL, c.urlAfter);
    }
}

TEST(AddressRules, DividiUrlWithoutAnySeparator) {
    SharedState s;
    s.WURL = QStringLiteral("page.htm");
    s.WURL_FILE = QStringLiteral("earlier.gif");
    EXPECT_FALSE(DIVIDI_URL(s));
    EXPECT_EQ(s.WURL_DIR, QStringLiteral("page.htm"));
    EXPECT_EQ(s.WURL_FILE, QStringLiteral("earlier.gif")); // left as it was
    EXPECT_EQ(s.WURL, QStringLiteral("page.htm"));

    // A file part left over without a "." makes it the default case.
    s.WURL = QStringLiteral("server");
    s.WURL_FILE = QStringLiteral("earlier");
    EXPECT_TRUE(DIVIDI_URL(s));
    EXPECT_EQ(s.WURL_DIR, QStringLiteral("server"));
    EXPECT_EQ(s.WURL_FILE, QStringLiteral("index.htm"));
}

TEST(AddressRules, NormalizzaDestAppendsInItsOrder) {
    struct Case { QString box; QString expected; };
    const Case cases[] = {
        {"C:\\TMP", "C:\\TMP\\"},
        {"C:\\TMP\\", "C:\\TMP\\"},
        {"D:", "D:\\"},
        {"", "\\"},
        {"   ", "\\"},
        {" C:\\TMP ", "C:\\TMP\\"},
        {"C:\\TMP\t", "C:\\TMP\t\\"},   // only blanks are trimmed
        {"C:/TMP", "C:/TMP/\\"},
        {"C:/TMP/", "C:/TMP/\\"},
        {"/tmp", "/tmp/\\"},
        {"C:\\a/b", "C:\\a/b\\/\\"},    // each append looks at the one before
        {"C:\\a/b/", "C:\\a/b/\\/\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NORMALIZZA_DEST(c.box), c.expected) << '"' << c.box.toStdString() << '"';
}
