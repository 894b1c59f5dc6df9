// The rules of a complete copy, each alone: the references of a page and of a
// stylesheet, addresses and the site they belong to, the local file of an address,
// robots.txt.
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"
#include "completecopy/address/LocalPath.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/address/RobotsRules.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/address/SiteScope.h"
#include "completecopy/references/SrcsetCandidates.h"

#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(" | ").toStdString() << ']'; }
QT_END_NAMESPACE

namespace {

// "L:" a link, "R:" what the page needs.
QStringList refs(const PageReferences& p) {
    QStringList out;
    for (const FoundReference& r : p.references)
        out << (r.requisite ? "R:" : "L:") + r.text;
    return out;
}

TEST(HtmlReferences, EveryElementThatNamesAnAddress) {
    const struct { const char* html; QStringList expected; } cases[] = {
        {R"(<a href="a.html">a</a><area href=m.html><link rel=next href="n.html">)", {"L:a.html", "L:m.html", "L:n.html"}},
        {R"(<link rel="stylesheet" href="s.css"><link rel="shortcut icon" href="/f.ico"><link rel=preload href=f.woff2><link rel=manifest href=m.json>)",
         {"R:s.css", "R:/f.ico", "R:f.woff2", "R:m.json"}},
        {R"(<img src=i.png><script src="j.js"></script><iframe src=f.html></iframe><frameset><frame src=g.html></frameset>)",
         {"R:i.png", "R:j.js", "R:f.html", "R:g.html"}},
        {R"(<embed src=e.swf><audio src=a.mp3></audio><video src=v.mp4 poster=p.jpg><track src=t.vtt></video><input type=image src=b.png>)",
         {"R:e.swf", "R:a.mp3", "R:v.mp4", "R:p.jpg", "R:t.vtt", "R:b.png"}},
        {R"(<picture><source srcset="a.webp 1x, b.webp 2x"><img src=c.jpg srcset="c.jpg 1x,c2.jpg 2x"></picture>)",
         {"R:a.webp", "R:b.webp", "R:c.jpg", "R:c.jpg", "R:c2.jpg"}},
        {R"(<body background=b.gif><object data=o.pdf></object><table background=t.gif><tr><td background=d.gif><th background=h.gif>)",
         {"R:b.gif", "R:o.pdf", "R:t.gif", "R:d.gif", "R:h.gif"}},
        {R"(<img data-src=lazy.png data-srcset="l1.png 1x, l2.png 2x" src=ph.gif>)", {"R:lazy.png", "R:l1.png", "R:l2.png", "R:ph.gif"}},
        {R"(<meta http-equiv="Refresh" content="5; url=next.html"><meta name=x content="1; url=no.html">)", {"L:next.html"}},
        {R"(<svg><image xlink:href="s.svg"/><use href="sprite.svg#i"/></svg>)", {"R:s.svg", "R:sprite.svg#i"}},
        // CSS in a style element and a style attribute.
        {R"x(<style>@import "t.css"; body{background:url(bg.png)}</style><p style="background-image:url('p.png')">)x",
         {"R:t.css", "R:bg.png", "R:p.png"}},
        // Entities decoded, blanks around the value dropped, empty values and unknown attributes ignored.
        {R"(<a href=" x.php?a=1&amp;b=2 ">x</a><a href="">e</a><a name=top>t</a><div src=no.png data=no>)", {"L:x.php?a=1&b=2"}},
        // Nothing from comments, scripts or the text.
        {R"(<!-- <a href="c.html"> --><script>var s = '<img src="s.png">';</script><p>href="t.html"</p>)", {}},
        // Upper-case tags and attributes, unquoted values, a broken page.
        {R"(<A HREF=Up.HTML><IMG SRC=up.GIF><p><a href=u.html>x<img src=v.png)", {"L:Up.HTML", "R:up.GIF", "L:u.html", "R:v.png"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refs(findHtmlReferences(c.html)), c.expected) << c.html;
}

TEST(HtmlReferences, FirstBaseAndTheCharacterSet) {
    const PageReferences p = findHtmlReferences(R"(<base target=_top><base href=" /b/ "><base href="/c/"><a href=x.html>)");
    EXPECT_EQ(p.base, "/b/");
    EXPECT_EQ(refs(p), QStringList{"L:x.html"});
    EXPECT_EQ(findHtmlReferences("<p>no base</p>").base, QString());
    // UTF-8 bytes read as UTF-8 unless the server or the page names another set.
    const QString cafe = QString::fromUtf8("caf\xC3\xA9.html");
    EXPECT_EQ(refs(findHtmlReferences("<a href=\"caf\xC3\xA9.html\">")), QStringList{"L:" + cafe});
    EXPECT_EQ(refs(findHtmlReferences("<a href=\"caf\xE9.html\">", "iso-8859-1")), QStringList{"L:" + cafe});
    EXPECT_EQ(refs(findHtmlReferences("<meta charset=iso-8859-1><a href=\"caf\xE9.html\">")), QStringList{"L:" + cafe});
    EXPECT_EQ(refs(findHtmlReferences(QByteArray("<a href=\"a\0b\">", 14))).size(), 1);
    EXPECT_TRUE(findHtmlReferences(QByteArray()).references.empty());
}

TEST(CssReferences, UrlsImportsAndImageSetsOutsideComments) {
    const struct { const char* css; QStringList expected; } cases[] = {
        {"a{background:url(a.png)} b{background:url( 'b.png' )} c{background:URL(\"c.png\")}", {"a.png", "b.png", "c.png"}},
        {"@import 'i.css'; @import url(j.css) screen; @IMPORT \"k.css\";", {"i.css", "j.css", "k.css"}},
        {"/* url(no.png) @import 'no.css'; */ a{b:url(yes.png)}", {"yes.png"}},
        {"a{background:image-set('x.png' 1x, \"y.png\" 2x)} b{content:'not.png'}", {"x.png", "y.png"}},
        {"a{b:url(with\\ blank.png)} c{d:url('q\\'uote.png')} e{f:url(\\66 .png)}", {"with blank.png", "q'uote.png", "f.png"}},
        {"@font-face{src:url(f.woff2) format('woff2'),url(f.woff) format('woff')}", {"f.woff2", "f.woff"}},
        // Not addresses: a function that merely ends in "url", a bad unquoted url, an empty one.
        {"a{b:myurl(no.png); c:url(bad url.png); d:url(); e:url('')}", {}},
        {"a{b:url('unterminated.png\n)} c{d:url(ok.png)}", {"ok.png"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findCssReferences(QString::fromUtf8(c.css)), c.expected) << c.css;
}

TEST(SrcsetAndRefresh, CandidatesAndRefreshAddresses) {
    const struct { const char* srcset; QStringList expected; } sets[] = {
        {"a.png 1x, b.png 2x", {"a.png", "b.png"}},
        {"  a.png,  b.png 100w ,c.png", {"a.png", "b.png", "c.png"}},
        {"a.png,b.png 2x", {"a.png,b.png"}},
        {"a,b.png 1x, c.png (max-width: 10px, 2x) 2x, d.png", {"a,b.png", "c.png", "d.png"}},
        {"data:image/png;base64,AAA 1x", {"data:image/png;base64,AAA"}},
        {" , ,", {}},
    };
    for (const auto& c : sets)
        EXPECT_EQ(srcsetCandidates(c.srcset), c.expected) << c.srcset;
    const struct { const char* content; const char* address; } refreshes[] = {
        {"5; url=next.html", "next.html"}, {"0;URL='x.htm'", "x.htm"}, {"3, next.html", "next.html"},
        {" 1 ; URL = \"q.html\" tail", "q.html"}, {"10", ""}, {"url=x.html", ""}, {"2.5;url=a b.html ", "a b.html"},
    };
    for (const auto& c : refreshes)
        EXPECT_EQ(metaRefreshAddress(c.content), QString(c.address)) << c.content;
}

TEST(SiteAddress, ResolvedAsABrowserAndCountedOnce) {
    const QUrl page("http://Host.example:80/docs/guide/page.html?x=1#top");
    const struct { const char* reference; const char* expected; } cases[] = {
        {"a.html", "http://host.example/docs/guide/a.html"},
        {"./a.html#part", "http://host.example/docs/guide/a.html"},
        {"../img/a.png", "http://host.example/docs/img/a.png"},
        {"../../../../x.png", "http://host.example/x.png"},
        {"/root.html", "http://host.example/root.html"},
        {"//other.example/p", "http://other.example/p"},
        {"?y=2", "http://host.example/docs/guide/page.html?y=2"},
        {"#frag", "http://host.example/docs/guide/page.html?x=1"},
        {"", "http://host.example/docs/guide/page.html?x=1"},
        {" \tsub/\nb.html ", "http://host.example/docs/guide/sub/b.html"},
        {"a b.html", "http://host.example/docs/guide/a%20b.html"},
        {"caf\xC3\xA9.html", "http://host.example/docs/guide/caf%C3%A9.html"},
        {"..\\img\\b.png", "http://host.example/docs/img/b.png"},
        {"HTTPS://HOST.example:443/S", "https://host.example/S"},
        {"http://host.example:8080", "http://host.example:8080/"},
        {"mailto:a@b.it", "mailto:a@b.it"},
        {"javascript:void(0)", "javascript:void(0)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addressKey(resolveReference(page, QString::fromUtf8(c.reference))), QString(c.expected)) << c.reference;
    EXPECT_FALSE(resolveReference(page, "http://[broken").isValid());
    // The same file however it is written.
    EXPECT_EQ(addressKey(QUrl("HTTP://h.example:80/a/./b/../c.html#x")), addressKey(QUrl("http://h.example/a/c.html")));
}

TEST(SiteScope, PagesInTheStartFolderWhatTheyNeedFromTheWholeSite) {
    const SiteScope scope(QUrl("http://h.example:8080/docs/index.html"));
    EXPECT_EQ(scope.folder(), "/docs/");
    using V = SiteScope::Verdict;
    const struct { const char* address; V page, requisite; } cases[] = {
        {"http://h.example:8080/docs/a.html", V::Inside, V::Inside},
        {"http://H.EXAMPLE:8080/docs/sub/b.html?x", V::Inside, V::Inside},
        {"http://h.example:8080/docs/", V::Inside, V::Inside},
        {"http://h.example:8080/docs", V::OutsideFolder, V::Inside},
        {"http://h.example:8080/docsx/a.html", V::OutsideFolder, V::Inside},
        {"http://h.example:8080/other/docs/a.html", V::OutsideFolder, V::Inside},
        {"http://h.example:8080/img/a.png", V::OutsideFolder, V::Inside},
        {"http://h.example/docs/a.html", V::OtherSite, V::OtherSite},
        {"https://h.example:8080/docs/a.html", V::OtherSite, V::OtherSite},
        {"http://other.example:8080/docs/a.html", V::OtherSite, V::OtherSite},
        {"mailto:a@h.example", V::NotWeb, V::NotWeb},
        {"ftp://h.example:8080/docs/a.html", V::NotWeb, V::NotWeb},
        {"data:image/png;base64,AA", V::NotWeb, V::NotWeb},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scope.ofPage(QUrl(c.address)), c.page) << c.address;
        EXPECT_EQ(scope.ofRequisite(QUrl(c.address)), c.requisite) << c.address;
    }
    // A start without a folder of its own takes the whole site; a default port is the same port.
    const SiteScope root(QUrl("http://h.example"));
    EXPECT_EQ(root.folder(), "/");
    EXPECT_EQ(root.ofPage(QUrl("http://h.example:80/any/where.html")), V::Inside);
    for (const V v : {V::NotWeb, V::OtherSite, V::OutsideFolder})
        EXPECT_FALSE(SiteScope::reason(v).isEmpty());
}

TEST(LocalPath, EachAddressItsOwnSafeFileBelowTheDestination) {
    const struct { const char* address; const char* expected; } cases[] = {
        {"http://h/docs/a.html", "docs\\a.html"},
        {"http://h/", "index.html"},
        {"http://h", "index.html"},
        {"http://h/docs/", "docs\\index.html"},
        {"http://h/docs", "docs"},
        {"http://h//docs///a.html", "docs\\a.html"},
        {"http://h/list.php?page=2&sort=name", "list.php@page=2&sort=name"},
        {"http://h/docs/?p=1", "docs\\index.html@p=1"},
        {"http://h/a.php?q=a%2Fb%3Fc&r=%26", "a.php@q=a%2Fb%3Fc&r=%26"},
        {"http://h/s.php?path=/etc/x:y", "s.php@path=%2Fetc%2Fx%3Ay"},
        {"http://h/a%20b/caf%C3%A9.html", "a b\\caf\u00e9.html"},
        {"http://h/logo@2x.png", "logo@2x.png"},
        {"http://h/%2E%2E/%2e/x", "%2E%2E\\%2E\\x"},
        {"http://h/a%2Fb%5Cc.html", "a%2Fb%5Cc.html"},
        {"http://h/q%3F%2A%3C%3E%7C%22%3A.html", "q%3F%2A%3C%3E%7C%22%3A.html"},
        {"http://h/ctl%01%7F.html", "ctl%01%7F.html"},
        {"http://h/100%25.html", "100%.html"},
        {"http://h/a%2541.html", "a%2541.html"},
        {"http://h/%FF%FE.bin", "%FF%FE.bin"},
        {"http://h/CON/nul.txt/com1", "%43ON\\%6Eul.txt\\%63om1"},
        {"http://h/conout$.log/Lpt9.a.b/aux", "%63onout$.log\\%4Cpt9.a.b\\%61ux"},
        {"http://h/com10/co.nul/lpt/consoles", "com10\\co.nul\\lpt\\consoles"},
        {"http://h/dot./blank%20", "dot%2E\\blank%20"},
        {"http://h/mirasito-copia.txt", "%6Dirasito-copia.txt"},
        {"http://h/MIRASITO-RICAMBIO.tmp", "%4DIRASITO-RICAMBIO.tmp"},
        {"http://h/sub/mirasito-copia.txt", "sub\\mirasito-copia.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(localPathFor(QUrl(QString::fromUtf8(c.address), QUrl::StrictMode)), QString::fromUtf8(c.expected)) << c.address;

    // A name too long is shortened, keeps its extension and stays apart from its neighbours.
    const QString longA = localPathFor(QUrl("http://h/" + QString(300, 'a') + ".html"));
    const QString longB = localPathFor(QUrl("http://h/" + QString(299, 'a') + "b.html"));
    const QString longQuery = localPathFor(QUrl("http://h/x.php?" + QString(400, 'q')));
    for (const QString& name : {longA, longB, longQuery})
        EXPECT_LE(name.toUtf8().size(), 200) << qPrintable(name);
    EXPECT_NE(longA, longB);
    EXPECT_TRUE(longA.endsWith(".html"));
    EXPECT_EQ(longA, localPathFor(QUrl("http://h/" + QString(300, 'a') + ".html")));
}

TEST(RobotsRules, OwnGroupFirstLongestRuleWins) {
    const QByteArray txt = "# comment\n"
                           "User-agent: *\n"
                           "Disallow: /private/\n"
                           "Disallow: /*.pdf$\n"
                           "Allow: /private/open/\n"
                           "\n"
                           "User-agent: other\n"
                           "User-agent: Mirasito/1.0\n"
                           "Disallow: /mine/  # ours\n"
                           "Allow: /mine/ok\n"
                           "Disallow: /*?session=\n"
                           "Sitemap: /s.xml\n";
    const RobotsRules ours = RobotsRules::parse(txt, "Mirasito");
    const RobotsRules others = RobotsRules::parse(txt, "SomeBot");
    const struct { const char* path; bool ours, others; } cases[] = {
        {"/index.html", true, true},
        {"/private/a.html", true, false},
        {"/private/open/a.html", true, true},
        {"/doc.pdf", true, false},
        {"/doc.pdf?x", true, true},
        {"/mine/a.html", false, true},
        {"/mine/ok.html", true, true},
        {"/list?session=4", false, true},
        {"/robots.txt", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ours.allows(c.path), c.ours) << c.path;
        EXPECT_EQ(others.allows(c.path), c.others) << c.path;
    }
    // Allow wins a tie; no file, or a group without rules, refuses nothing.
    EXPECT_TRUE(RobotsRules::parse("User-agent: *\nDisallow: /a\nAllow: /a\n", "x").allows("/a"));
    EXPECT_TRUE(RobotsRules().allows("/anything"));
    EXPECT_TRUE(RobotsRules::parse("User-agent: mirasito\nDisallow:\n\nUser-agent: *\nDisallow: /\n", "Mirasito").allows("/x"));
    EXPECT_FALSE(RobotsRules::parse("User-agent: mirasito\n\nUser-agent: *\nDisallow: /\n", "Mirasito").allows("/x"));
    EXPECT_FALSE(RobotsRules::parse("User-agent: *\nDisallow: /caf\xC3\xA9/\n", "x").allows("/caf%c3%a9/a.html"));
}

// robots.txt read as RFC 9309 writes it: the example file of its section 5.1, line
// ends of every kind, a byte-order mark, the longest match, "*" and "$", escapes.
TEST(RobotsRules, AsRfc9309WritesThem) {
    const QByteArray example = "User-Agent: *\nDisallow: *.gif$\nDisallow: /example/\nAllow: /publications/\n\n"
                               "User-Agent: foobot\nDisallow:/\nAllow:/example/page.html\nAllow:/example/allowed.gif\n\n"
                               "User-Agent: barbot\nUser-Agent: bazbot\nDisallow: /example/page.html\n\n"
                               "User-Agent: quxbot\n\nEOF\n";
    const QByteArray crOnly = QByteArray(example).replace('\n', '\r');
    const QByteArray crLf = QByteArray(example).replace("\n", "\r\n");
    const QByteArray bom = "\xEF\xBB\xBF" + example;
    const struct { const char* agent; const char* path; bool allowed; } cases[] = {
        {"foobot", "/example/page.html", true},     {"foobot", "/example/allowed.gif", true},
        {"foobot", "/example/other.html", false},   {"foobot", "/", false},
        {"barbot", "/example/page.html", false},    {"BazBot", "/example/page.html", false},
        {"barbot", "/example/x.gif", true},         {"quxbot", "/example/page.html", true},
        {"otherbot", "/a/x.gif", false},            {"otherbot", "/a/x.gif?y", true},
        {"otherbot", "/example/a.html", false},     {"otherbot", "/publications/a.html", true},
        {"otherbot", "/", true},
    };
    for (const QByteArray& file : {example, crOnly, crLf, bom})
        for (const auto& c : cases)
            EXPECT_EQ(RobotsRules::parse(file, c.agent).allows(c.path), c.allowed)
                << c.agent << " " << c.path << " in " << file.left(20).toHex().constData();

    const struct { const char* rules; const char* path; bool allowed; } rules[] = {
        // The longest rule wins, Allow a tie.
        {"Allow: /example/page/\nDisallow: /example/page/disallowed.gif", "/example/page/disallowed.gif", false},
        {"Allow: /example/page/\nDisallow: /example/page/disallowed.gif", "/example/page/ok.gif", true},
        {"Disallow: /a\nAllow: /a", "/a/b", true},
        {"Allow: /$\nDisallow: /", "/", true},
        {"Allow: /$\nDisallow: /", "/x", false},
        {"Disallow: /this/*/exactly$", "/this/a/b/exactly", false},
        {"Disallow: /this/*/exactly$", "/this/a/exactly/not", true},
        // Escapes: letters outside ASCII as UTF-8, unreserved characters decoded, "*" and
        // "$" of a path matched by their escapes only.
        {"Disallow: /foo/bar/\xE3\x83\x84", "/foo/bar/%E3%83%84", false},
        {"Disallow: /foo/bar/%E3%83%84", "/foo/bar/%e3%83%84", false},
        {"Disallow: /foo/bar/%62%61%7A", "/foo/bar/baz", false},
        {"Disallow: /foo/bar/baz", "/foo/bar/%62%61%7A", false},
        {"Disallow: /path/file-with-a-%2A.html", "/path/file-with-a-*.html", false},
        {"Disallow: /path/file-with-a-%2A.html", "/path/file-with-a-b.html", true},
        {"Disallow: /path/foo-%24", "/path/foo-$", false},
        {"Disallow: /q%3Fx", "/q?x", true},
        // Comments, blanks, empty rules, keys in any case.
        {"DISALLOW :  /d  # not /e", "/d/x", false},
        {"Disallow:   \nDisallow: #/all", "/any", true},
    };
    for (const auto& c : rules)
        EXPECT_EQ(RobotsRules::parse(QByteArray("User-agent: *\n") + c.rules, "Mirasito").allows(c.path), c.allowed)
            << c.rules << " " << c.path;

    // The pause the crawler's group asks for; rules before any group count for none.
    EXPECT_EQ(RobotsRules::parse("User-agent: *\nCrawl-delay: 2.5\nDisallow: /x\n", "Mirasito").crawlDelay(), 2.5);
    EXPECT_EQ(RobotsRules::parse("User-agent: mirasito\nCrawl-delay: 1\n\nUser-agent: *\nCrawl-delay: 9\n", "Mirasito").crawlDelay(), 1);
    EXPECT_EQ(RobotsRules::parse("User-agent: other\nCrawl-delay: 4\n", "Mirasito").crawlDelay(), 0);
    EXPECT_TRUE(RobotsRules::parse("Disallow: /\nUser-agent: *\nAllow: /a\n", "Mirasito").allows("/b"));
    // Only the first 500 KiB are read.
    EXPECT_TRUE(RobotsRules::parse("User-agent: *\n" + QByteArray(500 * 1024, '#') + "\nDisallow: /\n", "x").allows("/y"));
}

} // namespace
