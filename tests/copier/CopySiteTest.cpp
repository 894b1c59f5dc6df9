// Whole copies through "Copia sito" on a real main window against a loopback HTTP
// server; only the message boxes are scripted.
#include "app/Form3.h"
#include "copier/CopyEvent.h"
#include "copier/CopySiteCommand.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "tests/copier/FormFixture.h"
#include "tests/support/FileTree.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TreeSite.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
static std::ostream& operator<<(std::ostream& os, const QString& s) { return os << s.toStdString(); }
QT_END_NAMESPACE

namespace {

using Tree = FileTree;

const QString kDone = QStringLiteral("Copia Sito Internet Terminata !!!");
const QString kLimit = QStringLiteral("Superato limite max N_RIF%>2000 !!!");

Tree treeOf(const QString& root) {
    return fileTree(root);
}

QByteArray page(std::initializer_list<const char*> links, const char* eol = "\r\n") {
    QByteArray out = QByteArray("<html><head><title>Pagina</title></head><body>") + eol;
    for (const char* link : links)
        out += QByteArray("<a href=\"") + link + "\">" + link + "</a>" + eol;
    return out + "</body></html>" + eol;
}

const QByteArray kGif = QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x00\x00\x00\x00"
                                   "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;", 43);

class CopySiteTest : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        dest = outer.filePath("dest");
    }

    void copy(const QString& address, int level = 4) {
        form->Text1->setText(address);
        form->Text3->setText(dest);
        form->Text2->setText(QString::number(level));
        form->Command4_Click();
    }
    // Paths fetched by the transfer component, in order (the browser pane loads pages itself).
    QStringList fetched() const {
        QStringList paths;
        for (const auto& r : server.requests())
            if (r.header("User-Agent").contains("Mirasito"))
                paths << r.path;
        return paths;
    }
    QString messages() const { return events.join(" | "); }

    QString dest;
};

TEST_F(CopySiteTest, FollowsDepthFirstDownToTheMaximumLevelAndKeepsEveryByte) {
    // Line ends of every kind: LF only, CR only, CR LF.
    // Reading stops at the line that closes the page, whatever its case: that line and
    // the lines after it yield nothing.
    const QByteArray index = page({"a.htm", "img/logo.gif", "sub/p.htm", "a.htm", "foto.png"}, "\n") +
                             "<a href=\"dopo.htm\">\n";

    const QByteArray a = page({"b.htm", "img/logo.gif"}, "\r");
    const QByteArray b = page({"c.htm"});
    const QByteArray p = "<html>\r\n<a href=\"q.htm\">\r\n<a href=\"r.htm\"></HtMl>\r\n";
    server.setPage("/site/index.htm", index);
    server.setPage("/site/a.htm", a);
    server.setPage("/site/b.htm", b);
    server.setPage("/site/c.htm", page({}));
    server.setPage("/site/img/logo.gif", kGif, "image/gif");
    server.setPage("/site/sub/p.htm", p);
    server.setPage("/site/sub/q.htm", page({}));

    copy(server.url("/site/index.htm"), 2);

    EXPECT_EQ(events, QStringList({kDone})) << messages().toStdString();
    // Level 1 is the start page, level 2 a.htm and p.htm; b.htm and q.htm are fetched
    // and saved but not read, so c.htm is never asked for. Each file is fetched once.
    EXPECT_EQ(fetched(), QStringList({"/site/index.htm", "/site/a.htm", "/site/b.htm", "/site/img/logo.gif",
                                      "/site/sub/p.htm", "/site/sub/q.htm"}));
    const Tree expected = {
        {"index.htm", index}, {"a.htm", a},       {"b.htm", b},           {"logo.gif", kGif},
        {"img/", {}},         {"sub/", {}},        {"sub/p.htm", p},       {"sub/q.htm", page({})},
    };
    EXPECT_EQ(treeOf(dest), expected);
    EXPECT_EQ(form->WLIVELLO(), 0);
    EXPECT_EQ(form->N_RIF(), 8);
    EXPECT_EQ(form->txtLIVELLO->text(), "2");
    EXPECT_EQ(form->state().WURL_DIR, server.url("/site/"));
    EXPECT_EQ(form->state().WURL_ROOT, server.url("/site/"));
}

TEST_F(CopySiteTest, ReferencesWithoutFolderBelongToTheirOwnPage) {
    // p.htm in sub/ links q.htm and r.htm: both come from sub/ and go into sub/. Root
    // pages listed after an image that was already copied stay at the root.
    server.setPage("/site/index.htm", page({"img/a.gif", "uno.htm", "sub/p.htm"}));
    server.setPage("/site/uno.htm", page({"img/a.gif", "due.htm"}));
    server.setPage("/site/due.htm", page({}));
    server.setPage("/site/img/a.gif", kGif, "image/gif");
    server.setPage("/site/sub/p.htm", page({"q.htm", "r.htm"}));
    server.setPage("/site/sub/q.htm", page({"s.htm"}));
    server.setPage("/site/sub/r.htm", page({}));
    server.setPage("/site/sub/s.htm", page({}));

    copy(server.url("/site/index.htm"));

    EXPECT_EQ(events, QStringList({kDone})) << messages().toStdString();
    const QStringList files = treeOf(dest).keys();
    EXPECT_EQ(files, QStringList({"a.gif", "due.htm", "img/", "index.htm", "sub/", "sub/p.htm", "sub/q.htm",
                                  "sub/r.htm", "sub/s.htm", "uno.htm"}));
    EXPECT_EQ(server.requestCount("/site/r.htm"), 0);
}

TEST_F(CopySiteTest, WithoutSourceShownPagesAreDownloadedIntoTheDestination) {
    server.setPage("/site/index.htm", page({"a.htm", "dir/b.htm"}));
    server.setPage("/site/a.htm", page({"c.htm"}));
    server.setPage("/site/c.htm", page({}));
    server.setPage("/site/dir/b.htm", page({"d.htm"}));
    form->Check3->setChecked(false);
    form->RichTextBox1->setText("prima");

    copy(server.url("/site/index.htm"));

    EXPECT_EQ(events, QStringList({kDone})) << messages().toStdString();
    // b.htm lands in the destination itself, not in dir/, so its references are not read.
    EXPECT_EQ(treeOf(dest).keys(), QStringList({"a.htm", "b.htm", "c.htm", "dir/", "index.htm"}));
    EXPECT_EQ(form->RichTextBox1->Text(), "prima");
    EXPECT_EQ(server.requestCount("/site/dir/d.htm"), 0);
}

TEST_F(CopySiteTest, MissingAndFailedReferencesAreSkippedAfterTheirMessage) {
    server.setPage("/site/index.htm", page({"manca.htm", "vuota.htm", "portale.htm", "ok.htm"}));
    server.setPage("/site/vuota.htm", "x");
    server.setPage("/site/portale.htm", "<html><title>DIGILAND</title></html>");
    server.setPage("/site/ok.htm", page({}));
    QStringList told;
    form->copySite().setObserver([&](const CopyEvent& e) {
        const char* kinds[] = {"scritto", "mancante", "fallito", "letto"};
        told << QString("%1 %2 %3").arg(kinds[int(e.kind)]).arg(e.level).arg((e.address + e.file).section(QRegularExpression("[/\\\\]"), -1));
    });

    copy(server.url("/site/index.htm"));

    EXPECT_EQ(events, QStringList({"<beep>", "Errore nella lettura del sorgente .HTML !!! \r\r 404 - Not Found",
                                   "<beep>", "Pagina non trovata !!!  " + server.url("/site/vuota.htm"),
                                   "<beep>", "Pagina non trovata !!! " + server.url("/site/portale.htm"),
                                   kDone}));
    EXPECT_EQ(treeOf(dest).keys(), QStringList({"index.htm", "ok.htm"}));
    // Nothing is written for them, from what the earlier fetch left behind.
    EXPECT_EQ(told, QStringList({"scritto 0 index.htm", "letto 1 index.htm", "fallito 1 manca.htm",
                                 "mancante 1 vuota.htm", "mancante 1 portale.htm", "scritto 1 ok.htm",
                                 "letto 2 ok.htm"}));
}

TEST_F(CopySiteTest, CommandChecksItsInputsAndReportsWhatStopsIt) {
    server.setPage("/site/index.htm", page({"a.htm"}));
    server.setPage("/site/a.htm", page({}));
    QFile file(outer.filePath("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    struct Case { QString address, destination; QStringList messages; bool fetches; };
    const QString url = server.url("/site/index.htm");
    const QString underFile = outer.filePath("file/sotto");
    const QString blocked = outer.filePath("bloccata");
    ASSERT_TRUE(QDir().mkpath(blocked + "/index.htm")); // a folder where the start page goes
    const Case cases[] = {
        {"  ", "  ", {"<beep>", "Indicare un indirizzo Internet !!!"}, false},
        {url, " ", {"<beep>", "Indicare la Path di destinazione del sito da copiare !!!"}, false},
        {url, underFile, {"Errore !!! - Non riesco a creare le cartelle: " + underFile + "/\\"}, false},
        {server.url("/site/manca.htm"), dest,
         {"<beep>", "Errore nella lettura del sorgente .HTML !!! \r\r 404 - Not Found"}, true},
        {url, blocked,
         {"<beep>", "Errore in registrazione file " + blocked + "/\\index.htm\r\rERR: 75 - "
                    "Errore di accesso al percorso o al file"}, true},
    };
    for (const Case& c : cases) {
        events.clear();
        const int before = fetched().size();
        form->Text1->setText(c.address);
        form->Text3->setText(c.destination);
        form->Command4_Click();
        EXPECT_EQ(events, c.messages) << c.address << " -> " << c.destination;
        EXPECT_EQ(form->copySite().lastEnding(), CopySiteCommand::Ending::Stopped) << c.address;
        EXPECT_EQ(fetched().size() > before, c.fetches) << c.address;
        EXPECT_TRUE(form->Command1->isEnabled());
    }
    // Nothing was crawled: a.htm was never asked for, and nothing was written.
    EXPECT_EQ(server.requestCount("/site/a.htm"), 0);
    EXPECT_FALSE(QDir(dest).exists() && !QDir(dest).isEmpty());
}

TEST_F(CopySiteTest, NoFileOrFolderIsWrittenOutsideTheDestination) {
    dest = outer.filePath("a/b/dest");
    server.setFallback(page({}));
    const QByteArray hostile = page({"../../fuori1.htm", "..\\..\\fuori2.htm", "sub/../../fuori3.htm",
                                     "/assoluto/fuori4.htm", "C:\\fuori5.htm", "\\\\server\\share\\fuori6.htm",
                                     "%2e%2e/fuori7.htm", "....//fuori8.htm",
                                     "../../../fuori9.gif",
                                     "a/b/c/nidificata.htm"});
    const QString longName = QString(300, 'n') + ".htm";
    server.setPage("/site/index.htm", hostile + "<a href=\"" + longName.toLatin1() + "\">");

    copy(server.url("/site/index.htm"));

    EXPECT_EQ(events.last(), kDone) << messages().toStdString();
    // Everything the copy wrote lies under the destination.
    const Tree all = treeOf(outer.path());
    for (auto it = all.begin(); it != all.end(); ++it)
        EXPECT_TRUE(it.key() == "a/" || it.key() == "a/b/" || it.key().startsWith("a/b/dest/")) << it.key();
    // The references were fetched and saved all the same, inside.
    const Tree copied = treeOf(dest);
    for (const char* name : {"fuori1.htm", "fuori2.htm", "fuori3.htm", "assoluto/fuori4.htm", "C:/fuori5.htm",
                             "server/share/fuori6.htm", "%2e%2e/fuori7.htm", "fuori8.htm", "fuori9.gif",
                             "a/b/c/nidificata.htm"})
        EXPECT_TRUE(copied.contains(name)) << name << " in " << copied.keys().join(' ').toStdString();
}

TEST_F(CopySiteTest, LimitsOfTheTableAndOfAPage) {
    // A page with 2001 references: the message, and the first 2000 are kept.
    QByteArray many = "<html>\n";
    for (int i = 1; i <= 2001; ++i)
        many += "<a href=\"f" + QByteArray::number(i) + ".png\">\n";
    server.setPage("/molti/index.htm", many + "</html>\n");
    copy(server.url("/molti/index.htm"));
    EXPECT_EQ(events, QStringList({"<beep>", "Superato limite max 2000 HREF trovati !!!", kDone}));
    EXPECT_EQ(form->N_RIF(), 2000);

    // 1999 on the start page and one page to follow: that page's first reference
    // passes the limit, so it is not read further and the copy ends with the limit message.
    QByteArray full = "<a href=\"a.htm\">\n";
    for (int i = 1; i < 2000; ++i)
        full += "<a href=\"f" + QByteArray::number(i) + ".png\">\n";
    server.setPage("/pieno/index.htm", full);
    server.setPage("/pieno/a.htm", page({"b.htm", "c.htm"}));
    events.clear();
    copy(server.url("/pieno/index.htm"));
    EXPECT_EQ(events, QStringList({"<beep>", kLimit}));
    EXPECT_EQ(form->copySite().lastEnding(), CopySiteCommand::Ending::LimitReached);
    EXPECT_EQ(form->N_RIF(), 2001);
    EXPECT_EQ(server.requestCount("/pieno/b.htm"), 0);

    // A reference written with blanks inside its quotes matches no slot; past the
    // limit its lookup fails, after a page was saved: the crawl ends with its message.
    server.setPage("/pieno/index.htm", full.left(full.lastIndexOf("<a")) + "<a href=\" b.htm \">\n");
    events.clear();
    copy(server.url("/pieno/index.htm"));
    const QString start = dest + "/\\index.htm";
    EXPECT_EQ(events, QStringList({"<beep>", "Errore in lettura file: " + start +
                                                 "\r\rERR: 9 - Indice non compreso nell'intervallo",
                                   "<beep>", kLimit}));
    EXPECT_EQ(server.requestCount("/pieno/b.htm"), 0);
    // The next copy starts from a clean table and level.
    server.setPage("/pieno/a.htm", page({}));
    events.clear();
    copy(server.url("/pieno/a.htm"));
    EXPECT_EQ(events, QStringList({kDone}));
    EXPECT_EQ(form->copySite().lastEnding(), CopySiteCommand::Ending::Finished);
    EXPECT_EQ(form->WLIVELLO(), 0);
    EXPECT_EQ(form->N_RIF(), 0);
    // A copy stopped by a missing start page, after one that finished, says so.
    copy(server.url("/pieno/manca.htm"));
    EXPECT_EQ(form->copySite().lastEnding(), CopySiteCommand::Ending::Stopped);
}

TEST_F(CopySiteTest, ThirtyLevelsDownToAPageThatFillsTheTable) {
    for (int i = 1; i < 30; ++i)
        server.setPage(QStringLiteral("/deep/l%1.htm").arg(i),
                       page({QStringLiteral("l%1.htm").arg(i + 1).toLatin1().constData(), "img/x.gif"}));
    QByteArray last;
    for (int i = 1; i <= 2000; ++i)
        last += "<a href=\"img/g" + QByteArray::number(i) + ".gif\">\r\n";
    server.setPage("/deep/l30.htm", last);
    server.setPage("/deep/img/x.gif", kGif, "image/gif");

    copy(server.url("/deep/l1.htm"), 40);

    EXPECT_EQ(events, QStringList({"<beep>", kLimit})) << messages().toStdString();
    EXPECT_EQ(form->WLIVELLO(), 0);
    EXPECT_EQ(form->txtLIVELLO->text(), "30");
    EXPECT_EQ(treeOf(dest).size(), 30 + 2); // 30 pages, the image and img/
    EXPECT_FALSE(fetched().contains("/deep/img/g1.gif"));
}

TEST_F(CopySiteTest, ChainOfNearlyTwoThousandLevels) {
    // Images are read as text like pages: a chain of them, each naming the next, goes
    // as deep as the table allows, one level a file, without running out of stack or
    // file handles.
    const int length = 1999;
    for (int k = 1; k <= length; ++k)
        server.setPage(QStringLiteral("/catena/g%1.gif").arg(k),
                       "GIF89a\r\n<img src=\"g" + QByteArray::number(k + 1) + ".gif\">\r\n", "image/gif");
    server.setPage("/catena/index.htm", "<html>\r\n<img src=\"g1.gif\">\r\n</html>\r\n");

    copy(server.url("/catena/index.htm"), 32767);

    EXPECT_EQ(events, QStringList({"<beep>", "Errore nella lettura del sorgente .HTML !!! \r\r 404 - Not Found",
                                   kDone}));
    EXPECT_EQ(form->N_RIF(), length + 1);
    EXPECT_EQ(form->txtLIVELLO->text(), QString::number(length + 1));
    EXPECT_EQ(form->WLIVELLO(), 0);
    EXPECT_EQ(treeOf(dest).size(), length + 1);
}

TEST_F(CopySiteTest, SecondCopyDuringACopyIsRefused) {
    server.setPage("/site/index.htm", page({"a.htm", "b.htm"}));
    server.setPage("/site/a.htm", page({}));
    server.setPage("/site/b.htm", page({}));
    int clicks = 0;
    // Clicked while the copy yields, between two references and while it opens a page.
    int inOpenPage = 0;
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!form->copySite().running())
            return;
        const bool opening = form->openPage().running();
        if ((opening ? inOpenPage : clicks - inOpenPage) < 3) {
            ++clicks;
            inOpenPage += opening ? 1 : 0;
            form->Command4->click();
        }
    });
    poke.start(0);

    copy(server.url("/site/index.htm"));

    EXPECT_GT(clicks - inOpenPage, 0);
    EXPECT_GT(inOpenPage, 0);
    EXPECT_EQ(events, QStringList({kDone}));
    EXPECT_EQ(fetched(), QStringList({"/site/index.htm", "/site/a.htm", "/site/b.htm"}));
    EXPECT_FALSE(form->copySite().running());
}

TEST_F(CopySiteTest, TreeOfPagesAndImagesFourLevelsDeep) {
    // 781 pages at the root, five links a page, two images each from the 100 in img/.
    const TreeSite site;
    site.serve(server, "/albero/");

    copy(server.url("/albero/index.htm"), 4);

    EXPECT_EQ(events, QStringList({kDone})) << messages().toStdString();
    // Pages and images land in the destination itself (images as the open-page command
    // downloads them); img/ is made for the images' folder part and stays empty.
    QMap<QString, QByteArray> expected;
    const QMap<QString, QByteArray> files = site.files();
    for (auto it = files.begin(); it != files.end(); ++it)
        expected.insert(it.key().startsWith("img/") ? it.key().mid(4) : it.key(), it.value());
    expected.insert("img/", {});
    const Tree copied = treeOf(dest);
    EXPECT_EQ(copied.size(), 881 + 1);
    EXPECT_TRUE(copied == expected);
    // Each file fetched once by the transfer component: the download of an image is
    // served from the component's last response.
    EXPECT_EQ(fetched().size(), 881);
}

} // namespace
