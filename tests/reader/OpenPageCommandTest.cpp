// The open-page command on a real main window, against a loopback HTTP server;
// only the message boxes are scripted.
#include "app/Form3.h"
#include "display/Cp1252.h"
#include "display/ImageBox.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include "reader/OpenPageCommand.h"
#include "tests/support/HttpServer.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

QByteArray pngBytes(QColor colour) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kPage = "<html><head><title>Prova</title></head>\r\n<body>Ciao \x80 mondo</body></html>\r\n";

class OpenPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dest.isValid());
        Messages::setScript([this](const Messages::Event& e) {
            events.push_back(e.kind == Messages::Event::BeepSound ? QStringLiteral("<beep>") : e.text);
        });
        form = std::make_unique<Form3>(InHousePaths{dest.filePath("no-marker"), dest.filePath("no-folder")});
        form->setEndProgram([] {});
        form->Text3->setText(dest.path());
        server.setPage("/dir/pagina.htm", kPage);
    }
    void TearDown() override {
        form.reset();
        Messages::setScript(nullptr);
    }

    void open(const QString& typed) {
        form->Text1->setText(typed);
        form->Command1_Click();
    }
    // Requests made by the transfer component (the browser pane loads pages itself).
    int fetches(const QString& path) const {
        int n = 0;
        for (const auto& r : server.requests())
            if (r.path == path && r.header("User-Agent").contains("Mirasito"))
                ++n;
        return n;
    }
    SharedState& state() { return form->state(); }
    OpenPageCommand::Outcome outcome() { return form->openPage().lastOutcome(); }

    HttpServer server;
    QTemporaryDir dest;
    std::unique_ptr<Form3> form;
    QStringList events;
};

TEST_F(OpenPageTest, PageWithSourceShownIsNavigatedSplitAndShown) {
    open("  " + server.url("/dir/pagina.htm") + " ");

    EXPECT_TRUE(events.isEmpty()) << events.join("|").toStdString();
    EXPECT_EQ(form->Text1->text(), server.url("/dir/pagina.htm"));
    EXPECT_EQ(form->RichTextBox1->Text(), Cp1252::toText(kPage));
    EXPECT_EQ(form->WebBrowser1->url().toString(), server.url("/dir/pagina.htm"));
    EXPECT_EQ(state().WURL, server.url("/dir/pagina.htm"));
    EXPECT_EQ(state().WURL_DIR, server.url("/dir/"));
    EXPECT_EQ(state().WURL_FILE, "pagina.htm");
    EXPECT_EQ(state().WNOT_FOUND, 0);
    EXPECT_EQ(outcome(), OpenPageCommand::Outcome::Found);
    EXPECT_TRUE(form->Command1->isEnabled());
    // The source pane shows the page: nothing is downloaded.
    EXPECT_TRUE(QDir(dest.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(OpenPageTest, DroppedLineEndsFollowTheTwoCheckBoxes) {
    struct Case { bool cr, lf; const char* expected; };
    const Case cases[] = {{true, false, "A\nB"}, {false, true, "A\rB"}, {true, true, "AB"}, {false, false, "A\r\nB"}};
    server.setPage("/righe.htm", "A\r\nB");
    for (const Case& c : cases) {
        form->Check1->setChecked(c.cr);
        form->Check2->setChecked(c.lf);
        open(server.url("/righe.htm"));
        EXPECT_EQ(form->RichTextBox1->Text(), QString::fromLatin1(c.expected)) << c.cr << c.lf;
    }
}

TEST_F(OpenPageTest, AddressOfThePageIsCompletedOrFollowed) {
    // served path, typed path, WURL, WURL_FILE, source pane afterwards
    struct Case { const char* served; const char* typed; const char* wurl; const char* file; QString pane; };
    server.setRedirect("/vecchia.htm", "/dir/pagina.htm");
    server.setPage("/dir/", kPage);
    server.setPage("/GIF/", kPage);
    server.setPage("/gif/pagina.htm", kPage);
    const Case cases[] = {
        {"/dir/", "/dir/", "/dir/index.htm", "index.htm", Cp1252::toText(kPage)},
        {"/dir/pagina.htm", "/vecchia.htm", "/dir/pagina.htm", "pagina.htm", Cp1252::toText(kPage)},
        // An image folder builds no source: the default name empties the pane.
        {"/GIF/", "/GIF/", "/GIF/index.htm", "index.htm", ""},
        // Passes both content tests: a page all the same, its source shown.
        {"/gif/pagina.htm", "/gif/pagina.htm", "/gif/pagina.htm", "pagina.htm", Cp1252::toText(kPage)},
    };
    for (const Case& c : cases) {
        form->RichTextBox1->setText("prima");
        open(server.url(c.typed));
        EXPECT_EQ(state().WURL, server.url(c.wurl)) << c.typed;
        EXPECT_EQ(state().WURL_FILE, c.file) << c.typed;
        EXPECT_EQ(form->RichTextBox1->Text(), c.pane) << c.typed;
    }
}

TEST_F(OpenPageTest, ImageIsDownloadedAndPreviewedWithoutNavigating) {
    const QByteArray png = pngBytes(Qt::red);
    server.setPage("/img/foto.jpg", png, "image/jpeg");
    form->RichTextBox1->setText("prima");
    const QUrl before = form->WebBrowser1->url();

    open(server.url("/img/foto.jpg"));

    EXPECT_TRUE(events.isEmpty()) << events.join("|").toStdString();
    EXPECT_EQ(fileBytes(dest.filePath("foto.jpg")), png);
    EXPECT_EQ(form->WebBrowser1->url(), before);
    EXPECT_EQ(form->RichTextBox1->Text(), "prima");
    EXPECT_EQ(form->Image1->Picture().toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(state().WPATH_DEST, QDir::cleanPath(dest.path()) + "/\\");
    EXPECT_EQ(state().WURL, server.url("/img/foto.jpg"));
    // Fetched once to check it, once to download it: the second is served from the
    // component's last response.
    EXPECT_EQ(fetches("/img/foto.jpg"), 1);
}

TEST_F(OpenPageTest, ImageNotPreviewedWhenCheck4IsOff) {
    server.setPage("/foto.gif", pngBytes(Qt::blue), "image/gif");
    form->Check4->setChecked(false);
    open(server.url("/foto.gif"));
    EXPECT_TRUE(QFile::exists(dest.filePath("foto.gif")));
    EXPECT_TRUE(form->Image1->Picture().isNull());
}

TEST_F(OpenPageTest, PageWithoutSourceShownIsDownloadedUnderItsName) {
    form->Check3->setChecked(false);
    form->RichTextBox1->setText("prima");
    form->Image1->setPicture(QPixmap::fromImage(QImage(4, 4, QImage::Format_RGB32)));
    const qint64 pictureBefore = form->Image1->Picture().cacheKey();

    open(server.url("/dir/pagina.htm"));

    EXPECT_TRUE(events.isEmpty()) << events.join("|").toStdString();
    EXPECT_EQ(fileBytes(dest.filePath("pagina.htm")), kPage);
    EXPECT_EQ(form->WebBrowser1->url().toString(), server.url("/dir/pagina.htm"));
    EXPECT_EQ(form->RichTextBox1->Text(), "prima");
    EXPECT_EQ(form->Image1->Picture().cacheKey(), pictureBefore); // no picture in a page
}

TEST_F(OpenPageTest, FileNameWithoutHtmIsDownloadedEvenWithSourceShown) {
    struct Case { const char* path; QByteArray body; const char* file; };
    const Case cases[] = {
        // Fails both content tests: no marker search, so the portal's title is no verdict.
        {"/cerca.asp", "<html><title>DIGILAND</title></html>", "cerca.asp"},
        // Passes the HTM test through its folder only: the file name decides.
        {"/htmldocs/scheda.asp", kPage, "scheda.asp"},
    };
    for (const Case& c : cases) {
        server.setPage(c.path, c.body);
        form->RichTextBox1->setText("prima");
        open(server.url(c.path));
        EXPECT_TRUE(events.isEmpty()) << events.join("|").toStdString();
        EXPECT_EQ(state().WNOT_FOUND, 0) << c.path;
        EXPECT_EQ(form->RichTextBox1->Text(), "prima") << c.path;
        EXPECT_EQ(fileBytes(dest.filePath(c.file)), c.body) << c.path;
    }
}

TEST_F(OpenPageTest, MissingPagesAreReportedAndFlagged) {
    open(server.url("/dir/pagina.htm"));
    ASSERT_EQ(state().WURL_FILE, "pagina.htm");

    struct Case { const char* path; QByteArray body; QString message; };
    const Case cases[] = {
        {"/vuota.htm", "", "Pagina non trovata !!!  "},
        {"/uno.htm", "x", "Pagina non trovata !!!  "},
        {"/portale.htm", "<html><title>DIGILAND</title>", "Pagina non trovata !!! "},
        {"/base.htm", "<BASE HREF=\"http://www.digiland.example/x/\">", "Pagina non trovata !!! "},
    };
    for (const Case& c : cases) {
        server.setPage(c.path, c.body);
        events.clear();
        form->RichTextBox1->setText("prima");
        open(server.url(c.path));
        EXPECT_EQ(events, QStringList({"<beep>", c.message + server.url(c.path)})) << c.path;
        EXPECT_EQ(state().WNOT_FOUND, 1) << c.path;
        EXPECT_EQ(outcome(), OpenPageCommand::Outcome::NotFound) << c.path;
        EXPECT_EQ(state().WURL_FILE, "pagina.htm") << c.path;
        EXPECT_EQ(state().WURL_DIR, server.url("/dir/")) << c.path;
        EXPECT_EQ(form->RichTextBox1->Text(), "prima") << c.path;
        EXPECT_TRUE(form->Command1->isEnabled()) << c.path;
    }
    // A marker found in a source sets the address the component opened.
    EXPECT_EQ(state().WURL, server.url("/base.htm"));
    EXPECT_TRUE(QDir(dest.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(OpenPageTest, FailedFetchIsReportedAndLeavesTheVerdictAsItWas) {
    const QString failure = "Errore nella lettura del sorgente .HTML !!! \r\r 404 - Not Found";
    open(server.url("/manca.htm"));
    EXPECT_EQ(events, QStringList({"<beep>", failure}));
    for (const QString* v : {&state().WURL, &state().WURL_DIR, &state().WURL_FILE, &state().WPATH_DEST})
        EXPECT_EQ(*v, "");
    EXPECT_EQ(state().WNOT_FOUND, 0);

    server.setPage("/uno.htm", "x");
    open(server.url("/uno.htm"));
    ASSERT_EQ(state().WNOT_FOUND, 1);
    events.clear();
    open(server.url("/manca.htm"));
    EXPECT_EQ(events, QStringList({"<beep>", failure}));
    EXPECT_EQ(state().WNOT_FOUND, 1);
    EXPECT_EQ(outcome(), OpenPageCommand::Outcome::Failed);
    EXPECT_EQ(form->openPage().lastFetchError().Number, 404);
    EXPECT_TRUE(form->Command1->isEnabled());
}

TEST_F(OpenPageTest, BlankAddressOnlyShowsItsMessage) {
    form->Command1->setEnabled(false);
    open("   ");
    EXPECT_EQ(events, QStringList({"<beep>", "Indicare un indirizzo Internet !!!"}));
    EXPECT_EQ(form->Text1->text(), "   ");
    EXPECT_FALSE(form->Command1->isEnabled());
    EXPECT_EQ(server.requests().size(), 0);
}

TEST_F(OpenPageTest, PortThatCannotBeAppliedFetchesNothing) {
    form->txtPORTA->setText("abc");
    open(server.url("/dir/pagina.htm"));
    EXPECT_EQ(events, QStringList({"<beep>", "Errore nella lettura del sorgente .HTML !!! \r\r 13 - Porta non valida"}));
    EXPECT_EQ(server.requests().size(), 0);
    EXPECT_TRUE(form->Command1->isEnabled());
    EXPECT_EQ(outcome(), OpenPageCommand::Outcome::Failed);
}

#ifdef Q_OS_LINUX
// While it lives no file of this process grows beyond the limit, as on a nearly full
// disk: a write past it fails instead of ending the process.
struct FileSizeLimit {
    rlimit before{};
    sighandler_t handler;
    explicit FileSizeLimit(rlim_t bytes) : handler(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limit{bytes, before.rlim_max};
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before);
        ::signal(SIGXFSZ, handler);
    }
};
#endif

// A download that fails writes nothing and says nothing, and an older file of the same
// name is not previewed in its place.
TEST_F(OpenPageTest, FailedDownloadWritesNothingSaysNothingAndPreviewsNothing) {
    QImage noise(256, 256, QImage::Format_RGB32);  // some 200 KB as a picture file
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, QRandomGenerator::global()->generate());
    QByteArray big;
    QBuffer buffer(&big);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "PNG"));
    ASSERT_GT(big.size(), 128 * 1024);
    server.setPage("/foto.jpg", big, "image/jpeg");
    const QByteArray older = pngBytes(Qt::green);

    enum Obstacle { MissingFolder, WriteFailsHalfway };
    for (Obstacle obstacle : {MissingFolder, WriteFailsHalfway}) {
        SCOPED_TRACE(obstacle == MissingFolder ? "missing folder" : "write fails halfway");
        {
            QFile file(dest.filePath("foto.jpg"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(older) == older.size());
        }
        form->Image1->setPicture(QPixmap::fromImage(QImage(4, 4, QImage::Format_RGB32)));
        const qint64 pictureBefore = form->Image1->Picture().cacheKey();
        events.clear();

        if (obstacle == MissingFolder) {
            form->Text3->setText(dest.filePath("manca/sotto"));
            open(server.url("/foto.jpg"));
            EXPECT_FALSE(QDir(dest.filePath("manca")).exists());
        } else {
#ifdef Q_OS_LINUX
            form->Text3->setText(dest.path());
            FileSizeLimit limit(64 * 1024);
            open(server.url("/foto.jpg"));
#else
            continue;
#endif
        }

        EXPECT_TRUE(events.isEmpty()) << events.join("|").toStdString();
        EXPECT_EQ(fileBytes(dest.filePath("foto.jpg")), older);
        EXPECT_EQ(QDir(dest.path()).entryList(QDir::Files), QStringList{"foto.jpg"});
        EXPECT_EQ(form->Image1->Picture().cacheKey(), pictureBefore);
        EXPECT_TRUE(form->Command1->isEnabled());
    }
}

TEST_F(OpenPageTest, LocalFileTypedAsPathIsOpened) {
    const QString path = dest.filePath("locale.htm");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kPage);
    f.close();

    open(path);

    EXPECT_EQ(form->Text1->text(), "file://" + path);
    EXPECT_EQ(form->RichTextBox1->Text(), Cp1252::toText(kPage));
    EXPECT_EQ(state().WURL_FILE, "locale.htm");
    EXPECT_EQ(state().WURL_DIR, "file://" + dest.path() + "/");
}

TEST_F(OpenPageTest, SecondStartWhileRunningIsRefused) {
    server.setPage("/seconda.htm", kPage);
    bool nestedRan = false;
    bool runningSeen = false;
    QTimer::singleShot(0, [&] {
        runningSeen = form->openPage().running();
        form->Text1->setText(server.url("/seconda.htm"));
        form->Command1_Click();
        nestedRan = true;
        form->Text1->setText(server.url("/dir/pagina.htm"));
    });
    open(server.url("/dir/pagina.htm"));

    EXPECT_TRUE(nestedRan);
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(fetches("/seconda.htm"), 0);
    EXPECT_EQ(state().WURL_FILE, "pagina.htm");
    EXPECT_TRUE(form->Command1->isEnabled());
    EXPECT_FALSE(form->openPage().running());
}

} // namespace
