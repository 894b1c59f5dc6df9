// The copier's pure rules: reference extraction, the crawl table, the composition of
// addresses and local folders, containment, the level box's value and the page
// reader's line ends.
#include "copier/CrawlTable.h"
#include "copier/DestinationTree.h"
#include "display/RichTextBox.h"
#include "copier/EstraiHref.h"
#include "copier/InsideDestination.h"
#include "copier/LevelValue.h"
#include "copier/PageLineReader.h"
#include "copier/ReferencePaths.h"
#include "fs/RunError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

TEST(EstraiHref, OneReferenceALine) {
    struct Case { const char* line; const char* expected; }; // nullptr: nothing
    const Case cases[] = {
        {R"(<a href="dir/page.htm">Page</a>)", "dir/page.htm"},
        {R"(<A HREF="Page.HTM">)", "Page.HTM"},
        {"<a href=page.htm>", "page.htm"},
        {"<a href=page.htm target=_top>", "page.htm"},
        {R"(<a href = "page.htm">)", "page.htm"},
        {R"(<a href=" a b.htm ">)", " a b.htm "},
        // HREF wins wherever it stands; a later quote opens the value.
        {R"(<img src="a.gif"><a href="b.htm">)", "b.htm"},
        {R"(<a href=page.htm><img src="a.gif">)", "a.gif"},
        {R"(<link hreflang="en" href="x.htm">)", "en"},
        {R"(<img SRC="a.gif">)", "a.gif"},
        {R"x(<img src="a.gif" onclick="f(event.srcElement)">)x", nullptr},
        {"<a href='p.htm'>", "'p.htm'"},
        {R"(<a href="">)", ""},
        {R"(<a href="page.htm)", nullptr},
        {"<a href>", nullptr},
        {"see href=page.htm", nullptr},
        {R"(<img src="a.gif"> href without equals)", nullptr},
        {R"(<a href><img src="a.gif">)", "a.gif"},
        {"plain text", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<QString> got = ESTRAI_HREF(QString::fromLatin1(c.line));
        if (!c.expected)
            EXPECT_FALSE(got.has_value()) << c.line << " gave " << got->toStdString();
        else
            EXPECT_EQ(got.value_or("<nothing>"), QString::fromLatin1(c.expected)) << c.line;
    }
}

TEST(CrawlTable, ClaimsEachReferenceOnceWhateverItsCase) {
    CrawlTable t;
    t.WLIVELLO = 3;
    t.AZZERA_RIF("C:\\TMP\\index.htm");
    EXPECT_EQ(t.WLIVELLO, 0);
    EXPECT_EQ(t.N_RIF, 0);
    EXPECT_EQ(t.TAB_HREF(0), "C:\\TMP\\index.htm");
    EXPECT_EQ(t.TAB_ELAB(0), 1);
    // Slot 0 is the start page, taken already.
    EXPECT_EQ(t.PRENDI_RIF("c:\\tmp\\INDEX.HTM"), CrawlTable::Lookup::Refused);

    ASSERT_TRUE(t.AGGIUNGI_RIF("a.htm"));
    ASSERT_TRUE(t.AGGIUNGI_RIF("b.gif"));
    ASSERT_TRUE(t.AGGIUNGI_RIF("a.htm"));
    ASSERT_TRUE(t.AGGIUNGI_RIF(" c.htm "));
    EXPECT_EQ(t.N_RIF, 4);
    EXPECT_EQ(t.PRENDI_RIF("A.HTM"), CrawlTable::Lookup::Claimed);
    EXPECT_EQ(t.TAB_ELAB(1), 1);
    EXPECT_EQ(t.PRENDI_RIF("a.htm"), CrawlTable::Lookup::Refused);
    EXPECT_EQ(t.TAB_ELAB(3), 0); // the first slot that holds the text decides
    EXPECT_EQ(t.PRENDI_RIF("B.gif"), CrawlTable::Lookup::Claimed);
    EXPECT_EQ(t.TAB_ELAB(2), 1);
    // Blanks count: the trimmed text matches no slot, so it is claimed each time and marks slot 1.
    EXPECT_EQ(t.PRENDI_RIF("c.htm"), CrawlTable::Lookup::Claimed);
    EXPECT_EQ(t.PRENDI_RIF("c.htm"), CrawlTable::Lookup::Claimed);
    EXPECT_EQ(t.TAB_ELAB(4), 0);
    EXPECT_EQ(t.N_HTM, 4);

    // A new copy starts from nothing: what the last one took can be taken again.
    t.AZZERA_RIF("index.htm");
    EXPECT_EQ(t.N_HTM, 0);
    ASSERT_TRUE(t.AGGIUNGI_RIF("a.htm"));
    EXPECT_EQ(t.PRENDI_RIF("a.htm"), CrawlTable::Lookup::Claimed);
}

TEST(CrawlTable, FullAtTwoThousandAndFailsPastIt) {
    CrawlTable t;
    t.AZZERA_RIF("index.htm");
    for (int i = 1; i <= 2000; ++i)
        ASSERT_TRUE(t.AGGIUNGI_RIF(QStringLiteral("p%1.htm").arg(i)));
    EXPECT_EQ(t.TAB_HREF(2000), "p2000.htm");
    EXPECT_FALSE(t.AGGIUNGI_RIF("p2001.htm"));
    EXPECT_EQ(t.N_RIF, 2001);
    EXPECT_FALSE(t.AGGIUNGI_RIF("p2002.htm"));
    EXPECT_EQ(t.N_RIF, 2002);
    // Texts the table holds still answer; one it does not hold runs past the last slot.
    EXPECT_EQ(t.PRENDI_RIF("P2000.HTM"), CrawlTable::Lookup::Claimed);
    EXPECT_EQ(t.PRENDI_RIF("p2000.htm"), CrawlTable::Lookup::Refused);
    try {
        t.PRENDI_RIF("p2001.htm");
        ADD_FAILURE() << "a text no slot holds was answered";
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, 9);
    }
    // A count at the end of 16 bits does not wrap round.
    t.N_RIF = 32767;
    EXPECT_THROW(t.AGGIUNGI_RIF("x.htm"), RunError);
}

TEST(ReferencePaths, AddressAndLocalFolderOfAReference) {
    struct Case { const char* reference; const char* clean; bool folder; const char* file; };
    const Case cases[] = {
        {"../img/a.gif", "img/a.gif", true, "a.gif"},
        {"a/../b.htm", "b.htm", true, "b.htm"},
        {"../../x.htm", "x.htm", true, "x.htm"},
        {"..\\..\\x.htm", "x.htm", true, "x.htm"},
        {"....//x.htm", ".//x.htm", true, "x.htm"},
        {"q.htm", "q.htm", false, "q.htm"},
        {"sub\\p.htm", "sub\\p.htm", true, "p.htm"},
        {"a/b/p.htm", "a/b/p.htm", true, "p.htm"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withoutParentSteps(c.reference), c.clean) << c.reference;
        EXPECT_EQ(hasFolderPart(c.reference), c.folder) << c.reference;
        EXPECT_EQ(filePart(c.clean), c.file) << c.reference;
    }

    struct Address { const char* base; const char* reference; const char* address; };
    const Address addresses[] = {
        {"http://h/sub/", "q.htm", "http://h/sub/q.htm"},
        {"http://h/dir", "q.htm", "http://h/dir/q.htm"},
        {"file://C:\\pagine\\", "q.htm", "file://C:\\pagine\\q.htm"},
        {"http://h/", "http://altro/x.htm", "http://altro/x.htm"},
        // Only "http://" counts as absolute.
        {"http://h/", "https://altro/x.htm", "http://h/https://altro/x.htm"},
        {"http://h/", "HTTP://altro/x.htm", "http://h/HTTP://altro/x.htm"},
    };
    for (const Address& a : addresses)
        EXPECT_EQ(composeAddress(a.base, a.reference), a.address) << a.base << " + " << a.reference;

    struct Folder { const char* box; const char* reference; const char* folder; };
    const Folder folders[] = {
        {"C:\\TMP", "sub/p.htm", "C:\\TMP\\sub\\"},
        {" C:\\TMP\\ ", "sub/p.htm", "C:\\TMP\\\\sub\\"},
        {"C:\\TMP", "a/b/p.htm", "C:\\TMP\\a/b\\"},
        {"/tmp/d", "x.htm", "/tmp/d\\"},
    };
    for (const Folder& f : folders)
        EXPECT_EQ(localFolder(f.box, f.reference), f.folder) << f.box << " + " << f.reference;
}

TEST(InsideDestination, NothingLeavesTheDestination) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dest = QDir::toNativeSeparators(tmp.path()) + "\\";
    struct Case { QString path; bool inside; };
    const Case cases[] = {
        {dest, true},
        {dest + "index.htm", true},
        {dest + "sub\\p.htm", true},
        {dest + "\\sub\\p.htm", true},
        {dest + "C:\\x\\a.htm", true},
        {dest + "\\\\server\\share\\a.htm", true},
        {dest + "%2e%2e\\a.htm", true},
        {dest + "..\\a.htm", false},
        {dest + "sub\\..\\..\\a.htm", false},
        {dest + "..", false},
        {tmp.path() + "-altro\\a.htm", false}, // a sibling that shares the name's start
        {"\\etc\\a.htm", false},
        {"a.htm", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(insideDestination(dest, c.path), c.inside) << c.path.toStdString();
}

TEST(DestinationTree, WritesNothingOutsideItsRoot) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString root = tmp.filePath("dest") + "\\";
    DestinationTree tree;
    tree.setRoot(root);
    ASSERT_TRUE(tree.createFolder(root));

    // Steps that leave the root and come back: only the resolved folder is made.
    EXPECT_TRUE(tree.createFolder(root + "sub\\..\\..\\fuori\\..\\dest\\nuova\\"));
    EXPECT_TRUE(QDir(tmp.filePath("dest/nuova")).exists());
    EXPECT_FALSE(QDir(tmp.filePath("fuori")).exists());
    EXPECT_FALSE(tree.createFolder(root + "..\\accanto\\"));
    EXPECT_FALSE(QDir(tmp.filePath("accanto")).exists());

    RichTextBox pane;
    pane.setText("pagina");
    tree.saveSource(pane, root + "nuova\\p.htm");
    EXPECT_TRUE(QFile::exists(tmp.filePath("dest/nuova/p.htm")));
    try {
        tree.saveSource(pane, root + "..\\p.htm");
        ADD_FAILURE() << "a page was saved outside the destination";
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, 75);
    }
    EXPECT_FALSE(QFile::exists(tmp.filePath("p.htm")));
}

TEST(LevelValue, NumberAtTheStartOfTheBox) {
    struct Case { const char* text; double value; };
    const Case cases[] = {{"4", 4}, {"  2", 2}, {"2.5", 2.5}, {"3 livelli", 3}, {"-1", -1},
                          {"", 0},  {"abc", 0}, {"x4", 0},    {".5", 0.5},      {"07", 7}};
    for (const Case& c : cases)
        EXPECT_EQ(levelValue(c.text), c.value) << c.text;
}

TEST(PageLineReader, LinesEndAtCrCrLfOrLf) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // Chunks are 64 KB: a CR LF split across two reads is still one line end.
    const QByteArray longLine(64 * 1024 - 1, 'x');
    struct Case { QByteArray bytes; QStringList lines; };
    const Case cases[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"\n\na", {"", "", "a"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\x93x\x94", {QString::fromUtf16(u"\u201Cx\u201D")}},
        {longLine + "\r\nz", {QString::fromLatin1(longLine), "z"}},
    };
    for (const Case& c : cases) {
        QFile f(tmp.filePath("p.htm"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        PageLineReader reader;
        ASSERT_EQ(reader.open(f.fileName()), PageLineReader::Open::Opened);
        QStringList got;
        QString line;
        while (reader.readLine(line))
            got << line;
        EXPECT_EQ(got, c.lines) << c.bytes.left(20).toStdString();
        EXPECT_TRUE(reader.atEnd());
    }
    QFile(tmp.filePath("vuota.htm")).open(QIODevice::WriteOnly);
    PageLineReader empty;
    ASSERT_EQ(empty.open(tmp.filePath("vuota.htm")), PageLineReader::Open::Opened);
    QString line;
    EXPECT_FALSE(empty.readLine(line));

    EXPECT_EQ(PageLineReader().open(tmp.filePath("manca/p.htm")), PageLineReader::Open::Missing);
    EXPECT_EQ(PageLineReader().open(tmp.path()), PageLineReader::Open::Refused);
}

} // namespace
