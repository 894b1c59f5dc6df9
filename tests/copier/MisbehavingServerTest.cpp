// Servers that answer badly, each once through "GO" and once during a copy, on a real
// main window against a loopback server; only the message boxes are scripted. Each
// run ends in its message or skip, the window's timers keep running through the
// transfer, nothing is written outside the destination, and what the copy saved
// before the bad page stays as it was.
#include "app/Form3.h"
#include "display/Cp1252.h"
#include "display/Messages.h"
#include "display/RichTextBox.h"
#include "net/Inet.h"
#include "tests/copier/FormFixture.h"
#include "tests/support/FileTree.h"
#include "tests/support/HttpServer.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

using Tree = FileTree;

Tree filesUnder(const QString& root) {
    return fileTree(root, Folders::Skipped);
}

const QString kDone = QStringLiteral("Copia Sito Internet Terminata !!!");
const QString kLimit = QStringLiteral("Superato limite max N_RIF%>2000 !!!");
// Limits of the transfer component here: a second to connect, two seconds of silence.
constexpr Inet::Timeouts kLimits{1, 2};
// Servers that stop answering close the connection after this long, past the silence limit.
constexpr int kServerGivesUpMs = 3000;

QString fetchFailure(int number, const QString& description) {
    return QStringLiteral("Errore nella lettura del sorgente .HTML !!! \r\r %1 - %2").arg(number).arg(description);
}

QByteArray garbage() {
    QRandomGenerator random(10);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

QByteArray referencesOnOneLine(const char* eol) {
    QByteArray out = "<html><body>";
    for (int i = 1; i <= 5000; ++i)
        out += "<a href=\"f" + QByteArray::number(i) + ".png\">f</a>" + eol;
    return out;
}

// A 50 MB page on a single line, whose one reference is followed by a copy. The bulk
// is a comment that never closes: the browser pane lays out whatever text a page
// shows, and Chromium takes minutes over 50 MB of visible text on one line, in the
// pane's own renderer, with every later page of the same site waiting behind it.
QByteArray hugeLine() {
    QByteArray out = "<html><body><a href=\"dentro.htm\">dentro</a><!-- ";
    out += QByteArray(50 * 1024 * 1024 - out.size(), 'x');
    return out;
}

struct Case {
    const char* name;
    // Serves the bad page at path; returns what a fetch of it gives when it is found.
    std::function<std::optional<QByteArray>(HttpServer&, const QString& path)> serve;
    // The messages, "%1" standing for the page's address; a copy adds its own at the end.
    QStringList messages;
    // A copy's closing message: done, or the table's limit.
    QString copyEnd = kDone;
    // The longest the window may go without handling its timers. The transfer yields
    // often; turning a whole page into source text and showing it in the pane is one
    // step, which takes seconds for 50 MB.
    qint64 longestPauseMs = 1500;
};

const QString kAddress = QStringLiteral("%1");

std::vector<Case> cases() {
    using M = HttpServer::Misbehaviour;
    return {
        {"accepts and never answers",
         [](HttpServer& s, const QString& p) {
             s.setStall(p, HttpServer::Stall::Silent, kServerGivesUpMs);
             return std::nullopt;
         },
         {"<beep>", fetchFailure(35755, "Tempo scaduto")}},
        {"stops in the middle of the body",
         [](HttpServer& s, const QString& p) {
             s.setMisbehaviour(p, M::CutBody, QByteArray(4000, 'a'));
             return std::nullopt;
         },
         {"<beep>", fetchFailure(35756, "Connessione interrotta")}},
        {"announces half the length it sends",
         [](HttpServer& s, const QString& p) -> std::optional<QByteArray> {
             const QByteArray body = "<html><body>prima meta'</body>" + QByteArray(40, '-') + "seconda meta'</html>";
             s.setMisbehaviour(p, M::ShortLength, body);
             return body.left(body.size() / 2);
         },
         {}},
        {"announces twice the length it sends",
         [](HttpServer& s, const QString& p) {
             s.setMisbehaviour(p, M::LongLength, "<html><body>corta</body></html>", kServerGivesUpMs);
             return std::nullopt;
         },
         {"<beep>", fetchFailure(35755, "Tempo scaduto")}},
        {"a 50 MB page on one line",
         [](HttpServer& s, const QString& p) -> std::optional<QByteArray> {
             const QByteArray body = hugeLine();
             s.setPage(p, body);
             return body;
         },
         {},
         kDone,
         20000},
        {"redirects to itself",
         [](HttpServer& s, const QString& p) {
             s.setRedirect(p, p.toLatin1());
             return std::nullopt;
         },
         {"<beep>", fetchFailure(35758, "Troppi reindirizzamenti")}},
        {"binary garbage",
         [](HttpServer& s, const QString& p) -> std::optional<QByteArray> {
             s.setPage(p, garbage());
             return garbage();
         },
         {}},
        {"the portal's not-found page",
         [](HttpServer& s, const QString& p) {
             s.setPage(p, "<html><head><title>DIGILAND</title></head><body>Spiacenti</body></html>");
             return std::nullopt;
         },
         {"<beep>", "Pagina non trovata !!! " + kAddress}},
        {"5000 references on one line",
         [](HttpServer& s, const QString& p) -> std::optional<QByteArray> {
             s.setPage(p, referencesOnOneLine(""));
             return referencesOnOneLine("");
         },
         {}},
        {"5000 references on 5000 lines",
         [](HttpServer& s, const QString& p) -> std::optional<QByteArray> {
             s.setPage(p, referencesOnOneLine("\r\n"));
             return referencesOnOneLine("\r\n");
         },
         {},
         kLimit},
        {"closes the connection at once",
         [](HttpServer& s, const QString& p) {
             s.setMisbehaviour(p, M::CloseAtOnce, {});
             return std::nullopt;
         },
         {"<beep>", fetchFailure(35756, "Connessione interrotta")}},
        {"one byte a second",
         [](HttpServer& s, const QString& p) -> std::optional<QByteArray> {
             s.setMisbehaviour(p, M::Trickle, "ok", 1000);
             return QByteArray("ok");
         },
         {}},
    };
}

class MisbehavingServerTest : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        form->Inet1->setTimeouts(kLimits);
        // A file beside the destinations, which nothing may touch.
        QFile beside(outer.filePath("accanto.htm"));
        ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
        beside.write(kBeside);
        // The window's own timers: the longest pause between two ticks while a command runs.
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            if (sinceTick.isValid() && (form->openPage().running() || form->copySite().running()))
                longestPause = std::max(longestPause, sinceTick.elapsed());
            sinceTick.start();
        });
        ticker.start(20);
    }
    void TearDown() override {
        ticker.stop();
        FormFixture::TearDown();
        // Nothing but the destinations and the file beside them.
        const Tree all = filesUnder(outer.path());
        EXPECT_EQ(all.value("accanto.htm"), kBeside);
        for (const QString& path : all.keys())
            EXPECT_TRUE(path == "accanto.htm" || path.startsWith("dest-")) << path.toStdString();
    }

    QStringList expected(const QStringList& messages, const QString& address) const {
        QStringList out;
        for (const QString& m : messages)
            out << QString(m).replace(kAddress, address);
        return out;
    }

    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    static inline const QByteArray kBeside = "<html>accanto</html>";
};

TEST_F(MisbehavingServerTest, ThroughGo) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const QString path = QStringLiteral("/go/%1/ostile.htm").arg(QString::fromLatin1(c.name).replace(' ', '_'));
        const std::optional<QByteArray> found = c.serve(server, path);
        const QString dest = outer.filePath("dest-go");
        form->Text3->setText(dest);
        form->RichTextBox1->setText("prima");
        events.clear();
        longestPause = 0;
        QElapsedTimer took;
        took.start();

        form->Text1->setText(server.url(path));
        form->Command1_Click();

        EXPECT_EQ(events, expected(c.messages, server.url(path)));
        EXPECT_TRUE(form->Command1->isEnabled());
        if (found) {
            EXPECT_EQ(form->openPage().lastOutcome(), OpenPageCommand::Outcome::Found);
            const QString text = form->RichTextBox1->Text();
            EXPECT_EQ(text.size(), found->size());
            EXPECT_TRUE(Cp1252::fromText(text) == *found);
        } else {
            EXPECT_EQ(form->RichTextBox1->Text(), "prima");
        }
        // The source pane shows the page: nothing is written.
        EXPECT_FALSE(QDir(dest).exists());
        EXPECT_LT(longestPause, c.longestPauseMs);
        std::printf("[ GO       ] %-40s %6lld ms, longest pause %lld ms\n", c.name, took.elapsed(), longestPause);
    }
}

TEST_F(MisbehavingServerTest, DuringACopy) {
    const QByteArray first = "<html><body>prima</body></html>\r\n";
    const QByteArray after = "<html><body>dopo</body></html>\r\n";
    const QByteArray inside = "<html><body>dentro</body></html>\r\n";
    const QByteArray start = "<html><body>\r\n<a href=\"prima.htm\">1</a>\r\n<a href=\"ostile.htm\">2</a>\r\n"
                             "<a href=\"dopo.htm\">3</a>\r\n</body></html>\r\n";
    int n = 0;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const QString site = QStringLiteral("/copia%1/").arg(++n);
        server.setPage(site + "index.htm", start);
        server.setPage(site + "prima.htm", first);
        server.setPage(site + "dopo.htm", after);
        server.setPage(site + "dentro.htm", inside);
        const std::optional<QByteArray> found = c.serve(server, site + "ostile.htm");
        const QString dest = outer.filePath(QStringLiteral("dest-%1").arg(n));
        events.clear();
        longestPause = 0;
        QElapsedTimer took;
        took.start();

        form->Text1->setText(server.url(site + "index.htm"));
        form->Text3->setText(dest);
        form->Text2->setText("2");
        form->Command4_Click();

        QStringList messages = expected(c.messages, server.url(site + "ostile.htm"));
        if (c.copyEnd == kLimit)
            messages << "<beep>";
        messages << c.copyEnd;
        EXPECT_EQ(events, messages);
        // The pages before and after the bad one are copied whole; the bad one is
        // kept as it was fetched, or not at all.
        Tree expectedFiles{{"index.htm", start}, {"prima.htm", first}, {"dopo.htm", after}};
        if (found)
            expectedFiles.insert("ostile.htm", *found);
        if (found && found->contains("dentro.htm"))
            expectedFiles.insert("dentro.htm", inside);
        EXPECT_TRUE(filesUnder(dest) == expectedFiles) << filesUnder(dest).keys().join(' ').toStdString();
        EXPECT_FALSE(form->copySite().running());
        EXPECT_EQ(form->WLIVELLO(), 0);
        EXPECT_LT(longestPause, c.longestPauseMs);
        std::printf("[ COPY     ] %-40s %6lld ms, longest pause %lld ms\n", c.name, took.elapsed(), longestPause);
    }
}

// A server that closes every connection: the start page fails, the copy ends after
// that message, and nothing but the destination folder is made.
TEST_F(MisbehavingServerTest, CopyFromAServerThatClosesEveryConnection) {
    server.setPage("/sito/index.htm", "<html><a href=\"a.htm\"></html>");
    server.setCloseEveryConnection(true);
    const QString dest = outer.filePath("dest-chiuso");
    form->Text1->setText(server.url("/sito/index.htm"));
    form->Text3->setText(dest);
    form->Command4_Click();
    EXPECT_EQ(events, QStringList({"<beep>", fetchFailure(35756, "Connessione interrotta")}));
    EXPECT_TRUE(QDir(dest).exists());
    EXPECT_TRUE(filesUnder(dest).isEmpty());
    EXPECT_TRUE(server.requests().isEmpty());
}

} // namespace
