#include "reader/DividiUrl.h"
#include "reader/NormalizzaDest.h"
#include "reader/NormalizzaUrl.h"
#include "reader/SharedState.h"
#include <gtest/gtest.h>

TEST(AddressRules, NormalizzaUrlGivesEveryAddressAScheme) {
    const std::pair<QString, QString> cases[] = {
        {"www.server/doc/a.htm", "http://www.server/doc/a.htm"},
        {"WWW.server", "file://WWW.server"}, // case-sensitive, no "//"
        {"C:\\pagine\\a.htm", "file://C:\\pagine\\a.htm"}, // "\" kept as typed
        {"a.htm", "file://a.htm"},
        {"\\\\server\\share\\a.htm", "file://\\\\server\\share\\a.htm"},
        {"https://server/x.htm", "https://server/x.htm"}, // holds "//"
        {"HTTP://server/x.htm", "HTTP://server/x.htm"},
        {"http:/server", "file://http:/server"},
    };
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(NORMALIZZA_URL(typed), expected) << typed.toStdString();
}

TEST(AddressRules, DividiUrlAndTheCompletionOfTheDefaultCase) {
    struct Case { QString url; bool folder; QString dir, file, urlAfter; }; // after the split and any completion
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
        {"page.htm", false, "page.htm", "before.htm", "page.htm"}, // no separator: the file part is left as it was
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

TEST(AddressRules, NormalizzaDestAppendsInItsOrder) {
    const std::pair<QString, QString> cases[] = {
        {"C:\\TMP", "C:\\TMP\\"},
        {"C:\\TMP\\", "C:\\TMP\\"},
        {"D:", "D:\\"},
        {"", "\\"},
        {" C:\\TMP ", "C:\\TMP\\"},
        {"C:\\TMP\t", "C:\\TMP\t\\"}, // only blanks are trimmed
        {"C:/TMP", "C:/TMP/\\"},
        {"C:/TMP/", "C:/TMP/\\"},
        {"C:\\a/b", "C:\\a/b\\/\\"}, // each append looks at the one before
    };
    for (const auto& [box, expected] : cases)
        EXPECT_EQ(NORMALIZZA_DEST(box), expected) << '"' << box.toStdString() << '"';
}
