// The rules that make a complete copy readable offline, each alone: where each
// reference stands in the bytes of a page or a stylesheet, the names and links of the
// copy's files, a value written in its syntax, and the conversion of a whole page or
// stylesheet (what changes, what does not, and that converting again changes nothing).
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/offline/ByteEdits.h"
#include "completecopy/offline/HtmlEnding.h"
#include "completecopy/offline/OfflineConversion.h"
#include "completecopy/offline/RelativeLink.h"
#include "completecopy/offline/WrittenValue.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/references/SrcsetCandidates.h"

#include <QElapsedTimer>
#include <QHash>
#include "tests/support/TypicalPage.h"

#include <gtest/gtest.h>
#include <algorithm>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(" | ").toStdString() << ']'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << b.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

using Markup = ValueSyntax::Markup;
using Inner = ValueSyntax::Inner;

// Bytes as a table writes them: ASCII as it is, any other byte as \xNN.
QString shown(const QByteArray& bytes) {
    QString out;
    for (const char c : bytes)
        out += uchar(c) < 0x80 ? QString(QLatin1Char(c)) : "\\x" + QString::number(uchar(c), 16).toUpper();
    return out;
}

// A syntax in two letters: the markup (D "..." S '...' U unquoted, T <style> text, N
// none) and what is inside it (w whole, s srcset candidate, r/R refresh in '...'/"...",
// c/k CSS string in "..."/'...', b bare url()).
QString code(ValueSyntax s) {
    const char markup[] = {'N', 'T', 'D', 'S', 'U'};
    const char inner[] = {'w', 's', 'r', 'R', 'c', 'k', 'b'};
    return QString(QLatin1Char(markup[int(s.markup)])) + QLatin1Char(inner[int(s.inner)]);
}

// "text [bytes of the value] syntax", or "text -" when the bytes cannot be told.
QString described(const QByteArray& page, const QString& text, qsizetype at, qsizetype length, ValueSyntax syntax) {
    if (at < 0)
        return text + " -";
    return text + " [" + shown(page.mid(at, length)) + "] " + code(syntax);
}

QStringList described(const QByteArray& page, const std::vector<FoundReference>& refs) {
    QStringList out;
    for (const FoundReference& r : refs)
        out << described(page, r.text, r.at, r.length, r.syntax);
    return out;
}

TEST(ReferenceBytes, EachValueWhereThePageWritesIt) {
    QByteArray utf16 = "\xFF\xFE";
    for (const QChar c : QStringLiteral("<a href=\"x.html\">x</a>"))
        utf16 += char(c.unicode()), utf16 += '\0';
    const struct { QByteArray page; const char* charset; QStringList expected; } cases[] = {
        // Quotes of every kind, upper-case names, blanks and entities inside the value.
        {R"x(<a href="a.html">a</a><A HREF='B.html'>b</A><a href=c.html>)x", "",
         {"a.html [a.html] Dw", "B.html [B.html] Sw", "c.html [c.html] Uw"}},
        {R"x(<a href=" x.php?a=1&amp;b=2 ">x</a><a href='&lt;&#60;&#x3C;&amp.html'>)x", "",
         {"x.php?a=1&b=2 [ x.php?a=1&amp;b=2 ] Dw", "<<<&amp.html [&lt;&#60;&#x3C;&amp.html] Sw"}},
        // CR LF between attributes and inside a srcset; a "/>" end; the first of two hrefs.
        {"<img\r\n src=\"i.png\"\r\n srcset=\"a.png 1x,\r\n b.png 2x\"/>\r\n<a href=first.html href=second.html>", "",
         {"i.png [i.png] Dw", "a.png [a.png] Ds", "b.png [b.png] Ds", "first.html [first.html] Uw"}},
        // Nothing from a comment, a script, or text a browser shows as written.
        {R"x(<!-- <a href="c.html"> --><script>x='<img src="s.png">'</script><textarea><a href="t.html"></textarea><a href="v.html">)x", "",
         {"v.html [v.html] Dw"}},
        {R"x(<title>See <a href="u.html"></title><a href="w.html">)x", "", {"w.html [w.html] Dw"}},
        // A "<" or ">" inside another value of the same tag.
        {R"x(<a title="<a href=y>" href=z><img alt='a > b' src=i.png>)x", "", {"z [z] Uw", "i.png [i.png] Uw"}},
        // Every srcset candidate, CSS in a style attribute (quotes as entities) and element.
        {R"x(<img srcset="a.png 1x,b.png 2x, c,d.png 100w"><p style="background:url(&quot;p.png&quot;)"><p style='a:url( q.png )'>)x", "",
         {"a.png [a.png] Ds", "b.png [b.png] Ds", "c,d.png [c,d.png] Ds", "p.png [p.png] Dc", "q.png [q.png] Sb"}},
        {"<style>@import 'i.css';\r\nb{background:url( bg.png )} c{d:url(\"e\\\"f.png\")}</style>", "",
         {"i.css [i.css] Tk", "bg.png [bg.png] Tb", "e\"f.png [e\\\"f.png] Tc"}},
        // The address of a refresh, quoted or not.
        {R"x(<meta http-equiv=refresh content="0; URL='n.html'"><meta http-equiv="Refresh" content="5;url=m.html ">)x", "",
         {"n.html [n.html] Dr", "m.html [m.html] Dw"}},
        {R"x(<svg><use xlink:href="s.svg#i"/></svg>)x", "", {"s.svg#i [s.svg#i] Dw"}},
        // Latin-1 named by the server, by a meta element, by neither; windows-1252 by
        // http-equiv (after text it changes); UTF-8 unnamed.
        {"<a href=\"caf\xE9.html\">", "iso-8859-1", {"caf\u00e9.html [caf\\xE9.html] Dw"}},
        {"<meta charset=iso-8859-1><p>d\xE9j\xE0</p><a href=\"caf\xE9.html\">", "", {"caf\u00e9.html [caf\\xE9.html] Dw"}},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"><p>\x93quoted\x94</p><a href=\"\x80.html\">",
         "", {"\u20ac.html [\\x80.html] Dw"}},
        {"<a href=\"na\xEFve.html\">", "", {"na\u00efve.html [na\\xEFve.html] Dw"}},
        {"<a href=\"caf\xC3\xA9.html\">", "", {"caf\u00e9.html [caf\\xC3\\xA9.html] Dw"}},
        {"<a href=\"caf\xC3\xA9.html\">", "utf-8", {"caf\u00e9.html [caf\\xC3\\xA9.html] Dw"}},
        // Broken markup: a tag the page ends inside, a NUL in a value, a set with no places.
        {"<p><a href=u.html>x<img src=v.png", "", {"u.html [u.html] Uw", "v.png -"}},
        // libxml2 ends a value at a NUL byte, a browser does not: no place after one.
        {QByteArray("<a href=c><a href=\"a\0b\"><a href=d>", 34), "", {"c [c] Uw", "a -", "d -"}},
        {utf16, "", {"x.html -"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(described(c.page, findHtmlReferences(c.page, c.charset).references), c.expected) << c.page.constData();

    // A value that begins with a byte order mark keeps it, and its place.
    const QByteArray marked = "<a href=\"\xEF\xBB\xBFx.html\">";
    const std::vector<FoundReference> bomRefs = findHtmlReferences(marked).references;
    ASSERT_EQ(bomRefs.size(), 1u);
    EXPECT_EQ(bomRefs[0].text, QChar(0xFEFF) + QStringLiteral("x.html"));
    EXPECT_EQ(marked.mid(bomRefs[0].at, bomRefs[0].length), "\xEF\xBB\xBFx.html");

    // The first base href, with its bytes.
    const QByteArray based = R"x(<base target=_top><base href=" /b/ "><base href="/c/"><a href=x.html>)x";
    const PageReferences p = findHtmlReferences(based);
    EXPECT_EQ(p.base, "/b/");
    EXPECT_EQ(described(based, p.base, p.baseAt, p.baseLength, p.baseSyntax), "/b/ [ /b/ ] Dw");
    EXPECT_EQ(findHtmlReferences("<p>").baseAt, -1);
}

// A page of some size in a set that switches: every place given is right, and the
// places stop only where libxml2's count can no longer be trusted.
// Pages in several sets of one byte a character, one after another in one program
// (and round again): each is read in its own set, and each value keeps its place.
TEST(ReferenceBytes, EachSetReadAsItselfOneAfterAnother) {
    const QByteArray page = "<p>x</p><a href=\"\xC1\x80.html\">";
    const struct { const char* charset; const char* expected; } sets[] = {
        {"koi8-r", "\u0430\u2500.html [\\xC1\\x80.html] Dw"},
        {"iso-8859-1", "\u00c1\u0080.html [\\xC1\\x80.html] Dw"},
        {"windows-1252", "\u00c1\u20ac.html [\\xC1\\x80.html] Dw"},
        {"iso-8859-5", "\u0421\u0080.html [\\xC1\\x80.html] Dw"},
    };
    for (int round = 0; round < 2; ++round)
        for (const auto& c : sets)
            EXPECT_EQ(described(page, findHtmlReferences(page, c.charset).references), QStringList{c.expected})
                << c.charset << " round " << round;
}

TEST(ReferenceBytes, PlacesGivenAreRightInLongerPages) {
    const auto part = [](int from, int count, const QByteArray& word, const QByteArray& text) {
        QByteArray out;
        for (int i = from; i < from + count; ++i)
            out += "<p>" + text + " " + QByteArray::number(i) + " <a href=\"" + word + QByteArray::number(i) +
                   ".html\" title=\"" + word + "\">l</a> <img src=i" + QByteArray::number(i) + ".png>\n";
        return out;
    };
    enum Decoding { Latin1, Utf8, EitherByItsBytes };
    const struct { QByteArray page; const char* charset; Decoding decoding; bool allPlaced; } cases[] = {
        // Latin-1 first met after some KB of ASCII; a meta element naming windows-1252
        // after 15 KB, with its own characters after it.
        {"<html><head><title>t</title></head><body>" + part(0, 300, "cafe", "x") + part(300, 300, "caf\xE9", "\xE9"), "",
         Latin1, true},
        {"<html><head><title>t</title></head><body>" + part(0, 300, "cafe", "x") + "<meta charset=windows-1252>" +
             part(300, 300, "caf\xE9", "\x93quoted\x94"), "", Latin1, true},
        {"<html><head><meta charset=utf-8></head><body>" + part(0, 600, "caf\xC3\xA9", "x"), "", Utf8, true},
        {"<html><head><meta charset=utf-8></head><body>" + part(0, 600, "caf\xC3\xA9", "x"), "iso-8859-1", Latin1, true},
        // Said to be UTF-8, with Latin-1 bytes after 10 KB: libxml2 falls back to Latin-1
        // there and its count leaves out what it had read.
        {"<html><body>" + part(0, 150, "caf\xC3\xA9", "x") + part(150, 450, "caf\xE9", "x"), "utf-8", EitherByItsBytes, false},
    };
    for (const auto& c : cases) {
        const std::vector<FoundReference> refs = findHtmlReferences(c.page, c.charset).references;
        ASSERT_EQ(refs.size(), 1200u) << c.charset;
        qsizetype placed = 0;
        for (const FoundReference& r : refs) {
            if (r.at < 0)
                continue;
            ++placed;
            const QByteArray raw = c.page.mid(r.at, r.length);
            const bool utf8 = c.decoding == Utf8 || (c.decoding == EitherByItsBytes && raw.isValidUtf8());
            ASSERT_EQ(utf8 ? QString::fromUtf8(raw) : QString::fromLatin1(raw), r.text) << r.at;
        }
        EXPECT_TRUE(c.allPlaced ? placed == 1200 : placed >= 300 && placed < 1200) << placed;
    }
}

TEST(ReferenceBytes, CssAndStylesheets) {
    QByteArray utf16 = "\xFF\xFE";
    for (const QChar c : QStringLiteral("a{b:url(x.png)}"))
        utf16 += char(c.unicode()), utf16 += '\0';
    const struct { QByteArray css; QStringList expected; } sheets[] = {
        {"a{background:url(a.png)} b{background:url( 'b.png' )} c{background:URL(\"c.png\")}",
         {"a.png [a.png] Nb", "b.png [b.png] Nk", "c.png [c.png] Nc"}},
        {"@import ' i.css '; @import url( j.css ) screen; /* url(no.png) */", {"i.css [ i.css ] Nk", "j.css [j.css] Nb"}},
        {"a{b:url(with\\ blank.png)} e{f:url(\\66 .png)} g{h:image-set('x.png' 1x, url(y.png) 2x)}",
         {"with blank.png [with\\ blank.png] Nb", "f.png [\\66 .png] Nb", "x.png [x.png] Nk", "y.png [y.png] Nb"}},
        // In UTF-8, in Latin-1 named by @charset, after a byte order mark; UTF-16 gives no places.
        {"a{b:url(caf\xC3\xA9.png)}", {"caf\u00e9.png [caf\\xC3\\xA9.png] Nb"}},
        {"@charset \"iso-8859-1\";a{b:url('caf\xE9.png')}", {"caf\u00e9.png [caf\\xE9.png] Nk"}},
        {"\xEF\xBB\xBF" "a{b:url(x.png)}", {"x.png [x.png] Nb"}},
        {utf16, {"x.png -"}},
    };
    for (const auto& c : sheets)
        EXPECT_EQ(described(c.css, findStylesheetReferences(c.css)), c.expected) << c.css.constData();
    // The offsets of a text count its UTF-16 units.
    const QString text = QStringLiteral("a{b:url(\u00e9\U0001F600.png)}");
    const std::vector<CssReference> spans = findCssReferenceSpans(text);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(text.mid(spans[0].at, spans[0].length), spans[0].text);

    // Srcset candidates and refresh addresses stand where they are said to.
    for (const char* srcset : {"a.png 1x, b.png 2x", "  a.png,  b.png 100w ,c.png", "a,b.png 1x, c.png (x, 2x) 2x, d.png,,"}) {
        const QString s = QString::fromLatin1(srcset);
        for (const SrcsetCandidate& c : srcsetCandidateSpans(s))
            EXPECT_EQ(s.mid(c.at, c.length), c.address) << srcset;
    }
    const struct { const char* content; const char* address; bool quoted; } refreshes[] = {
        {"5; url=next.html", "next.html", false}, {"0;URL='x.htm'", "x.htm", true}, {" 1 ; URL = \" q.html \" tail", "q.html", true},
        {"2.5;url=a b.html ", "a b.html", false}, {"10", "", false},
    };
    for (const auto& c : refreshes) {
        const RefreshAddress r = metaRefreshSpan(c.content);
        EXPECT_EQ(r.address, c.address) << c.content;
        EXPECT_EQ(QString(c.content).mid(r.at, r.length), r.address) << c.content;
        EXPECT_EQ(r.quoted, c.quoted) << c.content;
    }
}

TEST(OfflineNames, HtmlEndingAndRelativeLinks) {
    const struct { const char* local; bool page; const char* expected; } endings[] = {
        {"about", true, "about.html"}, {"list.php@page=2", true, "list.php@page=2.html"},
        {"docs\\index.html", true, "docs\\index.html"}, {"old.HTM", true, "old.HTM"}, {"a.html.bak", true, "a.html.bak.html"},
        {"logo.png", false, "logo.png"}, {"data", false, "data"},
    };
    for (const auto& c : endings)
        EXPECT_EQ(withHtmlEnding(c.local, c.page), c.expected) << c.local;

    const struct { const char* from; const char* to; const char* link; } links[] = {
        {"a.html", "b.png", "b.png"},
        {"docs\\a.html", "docs\\a.html", "a.html"},
        {"docs\\a.html", "docs\\img\\b.png", "img/b.png"},
        {"docs\\guide\\a.html", "img\\b.png", "../../img/b.png"},
        {"docs\\a.html", "other\\a.html", "../other/a.html"},
        {"index.html", "docs\\index.html", "docs/index.html"},
        {"a.html", "list.php@page=2&sort=name", "list.php@page=2%26sort=name"},
        {"a.html", "100%.html", "100%25.html"},
        {"a.html", "a%2Fb%3Fc.html", "a%252Fb%253Fc.html"},
        {"a.html", "a b\\caf\u00e9.html", "a%20b/caf%C3%A9.html"},
        {"a.html", "q#1?'\"<>&()`\\x.html", "q%231%3F%27%22%3C%3E%26%28%29%60/x.html"},
        {"a.html", "c:d|e.html", "c%3Ad%7Ce.html"},
    };
    for (const auto& c : links) {
        const QString link = relativeLink(QString::fromUtf8(c.from), QString::fromUtf8(c.to));
        EXPECT_EQ(link, c.link) << c.to;
        EXPECT_EQ(linkedFile(QString::fromUtf8(c.from), link), QString::fromUtf8(c.to)) << c.to;
    }

    // A name that begins with a byte order mark keeps it (QString::fromUtf8 would drop it).
    const QString bom = QChar(0xFEFF) + QStringLiteral("bom.html");
    EXPECT_EQ(relativeLink("a.html", bom), "%EF%BB%BFbom.html");
    EXPECT_EQ(linkedFile("a.html", "%EF%BB%BFbom.html"), bom);

    const struct { const char* link; const char* file; } followed[] = {
        {"x.html#frag", "d\\x.html"}, {"../a/b.png", "a\\b.png"}, {"./x.html", "d\\x.html"}, {"..\\x.html", "x.html"},
        {"%2e%2E/x.html", "x.html"}, {"caf%C3%A9.html", "d\\caf\u00e9.html"}, {"a//b.html", "d\\a\\b.html"},
        // No file: above the destination, not a relative path, a folder, no name of a file.
        {"../../x.html", nullptr}, {"/x.html", nullptr}, {"\\x.html", nullptr}, {"http://h/x", nullptr},
        {"mailto:x", nullptr}, {"x.html?q=1", nullptr}, {"sub/", nullptr}, {"..", nullptr}, {"%FF.html", nullptr},
        {"a%2Fb", nullptr}, {"", nullptr}, {"#top", nullptr},
    };
    for (const auto& c : followed) {
        const std::optional<QString> file = linkedFile("d\\p.html", QString::fromUtf8(c.link));
        EXPECT_EQ(file.value_or("(none)"), c.file ? QString::fromUtf8(c.file) : QString("(none)")) << c.link;
    }
}

// The first reference read back from the value written in a context of that syntax.
QString readBack(const QByteArray& written, ValueSyntax s) {
    const QByteArray q = s.markup == Markup::DoubleQuoted ? "\"" : s.markup == Markup::SingleQuoted ? "'" : "";
    QByteArray inner = written;
    switch (s.inner) {
    case Inner::Whole: break;
    case Inner::SrcsetCandidate: inner = written + " 2x, z.png 1x"; break;
    case Inner::RefreshSingleQuoted: inner = "0; url='" + written + "'"; break;
    case Inner::RefreshDoubleQuoted: inner = "0; url=\"" + written + "\""; break;
    // The quotes of a CSS string inside an attribute in the same quotes are written as entities.
    case Inner::CssDoubleQuoted: {
        const QByteArray quote = s.markup == Markup::DoubleQuoted ? "&quot;" : "\"";
        inner = "a:url(" + quote + written + quote + ")";
        break;
    }
    case Inner::CssSingleQuoted: {
        const QByteArray quote = s.markup == Markup::SingleQuoted ? "&#39;" : "'";
        inner = "a:url(" + quote + written + quote + ")";
        break;
    }
    case Inner::CssBareUrl: inner = "a:url(" + written + ")"; break;
    }
    std::vector<FoundReference> refs;
    if (s.markup == Markup::None)
        refs = findStylesheetReferences("b{" + inner + "}");
    else if (s.markup == Markup::StyleText)
        refs = findHtmlReferences("<style>b{" + inner + "}</style><a href=after.html>").references;
    else if (s.inner == Inner::Whole)
        refs = findHtmlReferences("<a href=" + q + inner + q + ">").references;
    else if (s.inner == Inner::SrcsetCandidate)
        refs = findHtmlReferences("<img srcset=" + q + inner + q + ">").references;
    else if (s.inner == Inner::RefreshSingleQuoted || s.inner == Inner::RefreshDoubleQuoted)
        refs = findHtmlReferences("<meta http-equiv=refresh content=" + q + inner + q + ">").references;
    else
        refs = findHtmlReferences("<p style=" + q + inner + q + ">").references;
    return refs.empty() ? QString("(none)") : refs.front().text;
}

TEST(OfflineNames, ValuesWrittenInTheirSyntax) {
    const auto syntax = [](Markup m, Inner i) { return ValueSyntax{m, i}; };
    // readAs: what the page reads back, when the writing changed the address's own form.
    const struct { const char* value; ValueSyntax syntax; const char* written; const char* readAs = nullptr; } cases[] = {
        {"x?a=1&b=2", syntax(Markup::DoubleQuoted, Inner::Whole), "x?a=1&amp;b=2"},
        {"it's", syntax(Markup::SingleQuoted, Inner::Whole), "it&#39;s"},
        {"say\"x\"", syntax(Markup::DoubleQuoted, Inner::Whole), "say&quot;x&quot;"},
        {"a b>c=d'e\"f`g<h&i", syntax(Markup::Unquoted, Inner::Whole), "a&#32;b&#62;c&#61;d&#39;e&quot;f&#96;g&#60;h&amp;i"},
        {",a,b,", syntax(Markup::DoubleQuoted, Inner::SrcsetCandidate), "%2Ca,b%2C", "%2Ca,b%2C"},
        {"it's", syntax(Markup::DoubleQuoted, Inner::RefreshSingleQuoted), "it%27s", "it%27s"},
        {"a\"b", syntax(Markup::SingleQuoted, Inner::RefreshDoubleQuoted), "a%22b", "a%22b"},
        {"a\"b\\c", syntax(Markup::DoubleQuoted, Inner::CssDoubleQuoted), "a\\&quot;b\\\\c"},
        {"it's", syntax(Markup::SingleQuoted, Inner::CssSingleQuoted), "it\\&#39;s"},
        {"f(1) 'x'.png", syntax(Markup::DoubleQuoted, Inner::CssBareUrl), "f\\(1\\)\\20 \\'x\\'.png"},
        {"a&b(c)", syntax(Markup::Unquoted, Inner::CssBareUrl), "a&amp;b\\(c\\)"},
        {"</style>", syntax(Markup::StyleText, Inner::CssBareUrl), "\\3c /style>"},
        {"a</b", syntax(Markup::StyleText, Inner::CssDoubleQuoted), "a\\3c /b"},
        {"a)b'c", syntax(Markup::None, Inner::CssBareUrl), "a\\)b\\'c"},
        {"a'b", syntax(Markup::None, Inner::CssSingleQuoted), "a\\'b"},
        {"caf\u00e9", syntax(Markup::DoubleQuoted, Inner::Whole), "caf%C3%A9", "caf%C3%A9"},
    };
    for (const auto& c : cases) {
        const QByteArray written = writtenValue(QString::fromUtf8(c.value), c.syntax);
        EXPECT_EQ(written, QByteArray(c.written)) << c.value << " " << code(c.syntax).toStdString();
        EXPECT_EQ(readBack(written, c.syntax), QString::fromUtf8(c.readAs ? c.readAs : c.value)) << c.value << " " << code(c.syntax).toStdString();
    }
}

TEST(OfflineNames, BytesEditedInPlace) {
    const QByteArray bytes = "0123456789";
    const struct { std::vector<ByteEdit> edits; const char* expected; } cases[] = {
        {{}, "0123456789"},
        {{{7, 2, "xyz"}, {1, 1, ""}, {4, 0, "+"}}, "023+456xyz9"},
        {{{0, 10, "all"}}, "all"},
        {{{10, 0, "end"}, {0, 0, "start"}}, "start0123456789end"},
        // Overlapping the one before, outside the bytes, a negative length: left out.
        {{{2, 3, "A"}, {4, 2, "B"}, {9, 2, "C"}, {-1, 1, "D"}, {5, -1, "E"}}, "01A56789"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withEdits(bytes, c.edits), QByteArray(c.expected)) << c.expected;
}

// A copy of http://h.example holding a file for each of these addresses, pages with
// their .html ending.
struct TestCopy {
    QHash<QString, QString> files;
    QHash<QString, QUrl> addresses;

    TestCopy() {
        const struct { const char* address; bool page; } held[] = {
            {"http://h.example/docs/page.html", true}, {"http://h.example/docs/a.html", true},
            {"http://h.example/docs/about", true}, {"http://h.example/docs/", true},
            {"http://h.example/docs/list.php?page=2", true}, {"http://h.example/img/logo.png", false},
            {"http://h.example/css/site.css", false}, {"http://h.example/sp%20ace/caf%C3%A9.png", false},
        };
        for (const auto& h : held) {
            const QUrl address(h.address, QUrl::StrictMode);
            const QString file = withHtmlEnding(localPathFor(address), h.page);
            files.insert(addressKey(address), file);
            addresses.insert(file, normalisedAddress(address));
        }
    }
    LocalFileOf localFileOf() const {
        return [this](const QString& key) -> std::optional<QString> {
            const auto it = files.constFind(key);
            return it == files.cend() ? std::nullopt : std::optional<QString>(*it);
        };
    }
    AddressOf addressOf() const {
        return [this](const QString& file) -> std::optional<QUrl> {
            const auto it = addresses.constFind(file);
            return it == addresses.cend() ? std::nullopt : std::optional<QUrl>(*it);
        };
    }
};

const QUrl kPage("http://h.example/docs/page.html");
const QString kLocal = QStringLiteral("docs\\page.html");

// The bytes between the values of a file's references, in order.
std::vector<QByteArray> between(const QByteArray& bytes, const ReadFile& read) {
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    if (read.baseAt >= 0)
        spans.emplace_back(read.baseAt, read.baseLength);
    for (const ResolvedReference& r : read.references)
        if (r.at >= 0)
            spans.emplace_back(r.at, r.length);
    std::sort(spans.begin(), spans.end());
    std::vector<QByteArray> out;
    qsizetype done = 0;
    for (const auto& [at, length] : spans) {
        out.push_back(bytes.mid(done, at - done));
        done = at + length;
    }
    out.push_back(bytes.mid(done));
    return out;
}

// Converts a served file, then checks what holds of any conversion: only the values
// changed, the converted file read back names the same addresses, and converting it
// again changes nothing.
template <typename Read>
QByteArray convertedAndChecked(const QByteArray& served, const QString& local, Read read, QStringList* pending = nullptr) {
    const TestCopy copy;
    const ReadFile first = read(served, FileForm::Served, copy.addressOf());
    const QByteArray converted = convert(served, first, local, copy.localFileOf(), pending);
    const ReadFile again = read(converted, FileForm::Converted, copy.addressOf());
    EXPECT_EQ(between(served, first), between(converted, again)) << served.constData();
    EXPECT_EQ(convert(converted, again, local, copy.localFileOf(), nullptr), converted) << served.constData();
    EXPECT_EQ(again.references.size(), first.references.size()) << served.constData();
    for (size_t i = 0; i < std::min(first.references.size(), again.references.size()); ++i) {
        const ResolvedReference& a = first.references[i];
        const ResolvedReference& b = again.references[i];
        EXPECT_EQ(b.requisite, a.requisite) << a.text.toStdString();
        if (a.at >= 0 && !a.leftAlone)
            EXPECT_EQ(b.address, a.address) << a.text.toStdString() << " -> " << b.text.toStdString();
    }
    return converted;
}

QByteArray convertedPage(const QByteArray& page, const QByteArray& charset = {}, QStringList* pending = nullptr) {
    return convertedAndChecked(
        page, kLocal,
        [&](const QByteArray& b, FileForm form, const AddressOf& addressOf) {
            return readPage(b, charset, kPage, kLocal, form, addressOf);
        },
        pending);
}

TEST(OfflineConversion, OnlyTheValuesOfReferencesChange) {
    const struct { QByteArray page; const char* charset; QByteArray expected; } cases[] = {
        // Files the copy holds, however the page names them: relative, root-relative,
        // in full, without a scheme; a folder's index, a page given its .html ending,
        // a query in the name; the fragment kept.
        {R"x(<a href="a.html#top">)x", "", R"x(<a href="a.html#top">)x"},
        {R"x(<a href="/docs/about">)x", "", R"x(<a href="about.html">)x"},
        {R"x(<a href="http://h.example/img/logo.png"><img src=//h.example/img/logo.png>)x", "",
         R"x(<a href="../img/logo.png"><img src=../img/logo.png>)x"},
        {R"x(<a href="list.php?page=2"><a href="/docs/"><a href="HTTP://H.EXAMPLE:80/docs/a.html#S%C3%A9">)x", "",
         R"x(<a href="list.php@page=2.html"><a href="index.html"><a href="a.html#S%C3%A9">)x"},
        {"<a href=\"a.html#S\xC3\xA9 x\">", "", R"x(<a href="a.html#S%C3%A9%20x">)x"},
        // Not held: the address in full, unless already written so; other sites too.
        {R"x(<a href="missing.html?x=1&amp;y=2#s"><a href="http://h.example/nope.html">)x", "",
         R"x(<a href="http://h.example/docs/missing.html?x=1&amp;y=2#s"><a href="http://h.example/nope.html">)x"},
        {R"x(<a href="https://Other.example/x"><a href="//other.example/y">)x", "",
         R"x(<a href="https://Other.example/x"><a href="http://other.example/y">)x"},
        // Never rewritten: other schemes, a fragment alone, a comment, a script.
        {R"x(<a href="mailto:x@h.example"><a href="javascript:go('a.html')"><img src="data:image/png;base64,AA=="><a href="#top">)x", "",
         R"x(<a href="mailto:x@h.example"><a href="javascript:go('a.html')"><img src="data:image/png;base64,AA=="><a href="#top">)x"},
        {R"x(<!-- <a href="/docs/a.html"> --><script>s='<img src="/img/logo.png">'</script>)x", "",
         R"x(<!-- <a href="/docs/a.html"> --><script>s='<img src="/img/logo.png">'</script>)x"},
        // Unquoted and upper-case, CR LF line ends.
        {"<IMG SRC=/img/logo.png>\r\n<a\r\nhref=\"/docs/a.html\"\r\n>", "", "<IMG SRC=../img/logo.png>\r\n<a\r\nhref=\"a.html\"\r\n>"},
        // Latin-1 named by the server or by a meta element; the page's bytes kept.
        {"<p>\xE9t\xE9</p><img src=\"/sp%20ace/caf\xE9.png\"><a href=\"caf\xE9.html\">", "iso-8859-1",
         "<p>\xE9t\xE9</p><img src=\"../sp%20ace/caf%C3%A9.png\"><a href=\"http://h.example/docs/caf%C3%A9.html\">"},
        {"<meta charset=iso-8859-1><p>\xE9t\xE9</p><img src=\"/sp ace/caf\xE9.png\">", "",
         "<meta charset=iso-8859-1><p>\xE9t\xE9</p><img src=\"../sp%20ace/caf%C3%A9.png\">"},
        // Some srcset candidates held, some not; CSS in attributes and elements; a refresh.
        {R"x(<img srcset="/img/logo.png 1x, big.png 2x,http://h.example/img/logo.png 3x">)x", "",
         R"x(<img srcset="../img/logo.png 1x, http://h.example/docs/big.png 2x,../img/logo.png 3x">)x"},
        {R"x(<p style="background:url('/img/logo.png')"><p style=background:url(&quot;x.png&quot;)>)x", "",
         R"x(<p style="background:url('../img/logo.png')"><p style=background:url(&quot;http://h.example/docs/x.png&quot;)>)x"},
        {"<style>@import \"/css/site.css\";\r\nb{background:url(  ../img/logo.png )}</style>", "",
         "<style>@import \"../css/site.css\";\r\nb{background:url(  ../img/logo.png )}</style>"},
        {R"x(<meta http-equiv="refresh" content="0; url=/docs/about"><meta http-equiv=refresh content="5;URL='later.html'">)x", "",
         R"x(<meta http-equiv="refresh" content="0; url=about.html"><meta http-equiv=refresh content="5;URL='http://h.example/docs/later.html'">)x"},
        // A base: it names the page's own file, and the links lead from there.
        {R"x(<base href="http://h.example/"><a href="docs/a.html"><a href="#top"><img src="img/logo.png">)x", "",
         R"x(<base href="page.html"><a href="a.html"><a href="#top"><img src="../img/logo.png">)x"},
        // A base whose bytes cannot be told (libxml2 cuts its value at "&#0;") stays, and
        // every web reference is written in full.
        {R"x(<base href="/docs/&#0;"><a href="a.html"><a href="http://h.example/docs/about">)x", "",
         R"x(<base href="/docs/&#0;"><a href="http://h.example/docs/a.html"><a href="http://h.example/docs/about">)x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convertedPage(c.page, c.charset), c.expected) << c.page.constData();
}

TEST(OfflineConversion, PendingAddressesAndConvertedPagesReadBack) {
    QStringList pending{"http://h.example/earlier.html"};
    convertedPage(R"x(<a href="missing.html"><a href="http://h.example/nope.html#x"><a href="missing.html#again">
                     <a href="https://h.example/other-scheme.html"><a href="//other.example/y"><a href="a.html">)x",
                  {}, &pending);
    EXPECT_EQ(pending, QStringList({"http://h.example/earlier.html", "http://h.example/docs/missing.html",
                                    "http://h.example/nope.html"}));

    // A converted page: its relative links lead to files of the copy, one that leads to
    // no file is left alone, and its base is not followed.
    const TestCopy copy;
    const QByteArray converted = R"x(<base href="page.html"><a href="a.html#t"><a href="../img/logo.png"><a href="gone.html">)x"
                                 R"x(<a href="http://h.example/x.html"><a href="/abs.html">)x";
    const ReadFile read = readPage(converted, {}, kPage, kLocal, FileForm::Converted, copy.addressOf());
    QStringList seen;
    for (const ResolvedReference& r : read.references)
        seen << (r.leftAlone ? "alone:" + r.text : r.address.toString() + (r.fragment.isNull() ? "" : "#" + r.fragment));
    EXPECT_EQ(seen, QStringList({"http://h.example/docs/a.html#t", "http://h.example/img/logo.png", "alone:gone.html",
                                 "http://h.example/x.html", "alone:/abs.html"}));
    EXPECT_EQ(convert(converted, read, kLocal, copy.localFileOf()), converted);
}

// A page converted while the copy held few of its files, then made to link the files
// the copy took since without being read again: the same bytes as a conversion that
// knew them from the start; values that no longer stand where they were ask for a
// conversion anew.
TEST(OfflineConversion, PendingValuesRelinkedInPlace) {
    const TestCopy all;
    const LocalFileOf none = [](const QString&) { return std::optional<QString>(); };
    const QByteArray page = R"x(<base href="/docs/"><link rel=stylesheet href='/css/site.css'>)x"
                            R"x(<a href="a.html#part">a</a> <a href=about>b</a> <a href="missing.html">c</a>)x"
                            R"x(<img srcset="/img/logo.png 1x, /img/logo.png#x 2x" style="background:url(&quot;../img/logo.png&quot;)">)x";
    for (const QByteArray& charset : {QByteArray(), QByteArray("iso-8859-1")}) {
        const ReadFile read = readPage(page, charset, kPage, kLocal, FileForm::Served, all.addressOf());
        std::vector<PendingValue> values;
        const QByteArray early = convert(page, read, kLocal, none, nullptr, &values);
        EXPECT_EQ(values.size(), 7u);
        const std::optional<QByteArray> relinked = relink(early, values, kLocal, all.localFileOf());
        ASSERT_TRUE(relinked.has_value());
        EXPECT_EQ(*relinked, convert(page, read, kLocal, all.localFileOf()));
        ASSERT_EQ(values.size(), 1u);  // missing.html: still no file for it
        EXPECT_EQ(values[0].key, "http://h.example/docs/missing.html");
        EXPECT_EQ(relinked->mid(values[0].at, values[0].length), "http://h.example/docs/missing.html");
        // The file changed under the copy: the values no longer stand there.
        std::vector<PendingValue> again;
        convert(page, read, kLocal, none, nullptr, &again);
        EXPECT_FALSE(relink("<p>" + early, again, kLocal, all.localFileOf()).has_value());
    }
}

TEST(OfflineConversion, Stylesheets) {
    const auto sheet = [](const QByteArray& bytes) {
        return convertedAndChecked(bytes, QStringLiteral("css\\site.css"), [](const QByteArray& b, FileForm form, const AddressOf& addressOf) {
            return readStylesheet(b, QUrl("http://h.example/css/site.css"), QStringLiteral("css\\site.css"), form,
                                  addressOf);
        });
    };
    EXPECT_EQ(sheet("@import url(/css/site.css);\na{background:url(../img/logo.png)} b{background:url(\"missing.png\")}"),
              "@import url(site.css);\na{background:url(../img/logo.png)} b{background:url(\"http://h.example/css/missing.png\")}");
    EXPECT_EQ(sheet("@charset \"iso-8859-1\";\na{b:url('/sp%20ace/caf\xE9.png')} /* url(/img/logo.png) */"),
              "@charset \"iso-8859-1\";\na{b:url('../sp%20ace/caf%C3%A9.png')} /* url(/img/logo.png) */");
}

// A page of real size: a few hundred references of every kind.
// A page of a real site's size, in UTF-8 and in Latin-1: every reference is placed in
// its bytes and rewritten (how long it takes: build/bench/offline_conversion_bench).
TEST(OfflineConversion, EveryValueOfATypicalPageIsPlaced) {
    const TestCopy copy;
    for (const bool latin1 : {false, true}) {
        const QByteArray page = typicalPage(120, latin1);
        const QByteArray charset = latin1 ? "iso-8859-1" : "";
        const ReadFile read = readPage(page, charset, kPage, kLocal, FileForm::Served, copy.addressOf());
        EXPECT_GE(read.references.size(), 300u);
        EXPECT_TRUE(std::all_of(read.references.begin(), read.references.end(),
                                [](const ResolvedReference& r) { return r.at >= 0; }));
        EXPECT_GT(convert(page, read, kLocal, copy.localFileOf()).size(), page.size());
    }
}

} // namespace
