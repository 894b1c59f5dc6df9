// A copy from the command line: the real program run hidden against a loopback
// server; its standard output, standard error, exit status and the tree it writes.
#include "app/Form3.h"
#include "display/Messages.h"
#include "tests/support/FileTree.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TreeSite.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code = -1;
    QStringList out;  // lines
    QString err;
};

Outcome mirasito(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // the hidden option alone must do without a screen
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.start(MIRASITO_EXE, args);
    Outcome r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

FileTree treeOf(const QString& root) {
    return fileTree(root);
}

// The messages a run wrote, without what the libraries say on standard error.
QStringList messagesOf(const QString& err) {
    QStringList kept;
    for (const QString& line : err.split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith("QStandardPaths") && !line.startsWith("qt.") && !line.startsWith("js:"))
            kept << line;
    return kept;
}

class CommandLineCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString dest(const QString& name) const { return tmp.filePath(name); }
    HttpServer server;
    QTemporaryDir tmp;
};

TEST_F(CommandLineCopyTest, LinesForEachFileMessagesAndExitStatus) {
    server.setPage("/s/index.htm", "<html>\r\n<a href=\"a.htm\">\r\n<img src=\"img/x.gif\">\r\n"
                                   "<a href=\"manca.htm\">\r\n<a href=\"vuota.htm\">\r\n</html>\r\n");
    server.setPage("/s/a.htm", "<html>\n<a href=\"sub/b.htm\">\n</html>\n");
    server.setPage("/s/sub/b.htm", "<html>b</html>");
    server.setPage("/s/img/x.gif", "GIF89a-x", "image/gif");
    server.setPage("/s/vuota.htm", "x");
    const QString d = dest("uno");

    const Outcome r = mirasito({"--copia", server.url("/s/index.htm"), d, "--nascosto"});

    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString n = QDir::cleanPath(d);
    ASSERT_EQ(r.out.size(), 7) << r.out.join('\n').toStdString();
    EXPECT_EQ(r.out.mid(0, 6), QStringList({
        "0\t" + server.url("/s/index.htm") + "\t" + n + "/index.htm",
        "1\t" + server.url("/s/a.htm") + "\t" + n + "/a.htm",
        "2\t" + server.url("/s/sub/b.htm") + "\t" + n + "/sub/b.htm",
        "1\t" + server.url("/s/img/x.gif") + "\t" + n + "/x.gif",
        "1\t" + server.url("/s/manca.htm") + "\terrore 404 - Not Found",
        "1\t" + server.url("/s/vuota.htm") + "\tnon trovato",
    }));
    EXPECT_TRUE(r.out[6].startsWith("riepilogo file=4 pagine=3 riferimenti=5 errori=2 secondi=")) << r.out[6].toStdString();
    // Each message box, CR as a line break, answered at once.
    EXPECT_EQ(messagesOf(r.err), QStringList({"Errore nella lettura del sorgente .HTML !!! ", " 404 - Not Found",
                                              "Pagina non trovata !!!  " + server.url("/s/vuota.htm"),
                                              "Copia Sito Internet Terminata !!!"}));
    EXPECT_EQ(treeOf(d).keys(), QStringList({"a.htm", "img/", "index.htm", "sub/", "sub/b.htm", "x.gif"}));
    // Nobody sees the hidden window's browser pane: it asked the server for nothing.
    for (const auto& request : server.requests())
        EXPECT_TRUE(request.header("User-Agent").contains("Mirasito")) << request.line.toStdString();

    // Without the source pane every file is downloaded into the folder itself.
    const Outcome plain = mirasito({"--copia", server.url("/s/index.htm"), dest("due"), "--senza-sorgente", "--nascosto"});
    ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
    EXPECT_EQ(treeOf(dest("due")).keys(), QStringList({"a.htm", "b.htm", "img/", "index.htm", "sub/", "x.gif"}));
}

TEST_F(CommandLineCopyTest, ExitStatusTellsHowTheCopyEnded) {
    QByteArray many = "<html>\n<a href=\"a.htm\">\n";
    for (int i = 0; i < 1999; ++i)
        many += "<a href=\"f" + QByteArray::number(i) + ".png\">\n";
    server.setPage("/limite/index.htm", many);
    server.setPage("/limite/a.htm", "<html>\n<a href=\"b.htm\">\n</html>\n");
    server.setPage("/ok/index.htm", "<html>\r\n</html>\r\n");
    QFile blocker(dest("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const struct { QStringList args; int code; QString lastMessage; } cases[] = {
        {{"--copia", server.url("/ok/index.htm"), dest("ok"), "--livello", "2"}, 0,
         "Copia Sito Internet Terminata !!!"},
        {{"--copia", server.url("/limite/index.htm"), dest("limite")}, 2, "Superato limite max N_RIF%>2000 !!!"},
        {{"--copia", server.url("/manca.htm"), dest("manca")}, 1, " 404 - Not Found"},
        {{"--copia", server.url("/ok/index.htm"), " "}, 1, "Indicare la Path di destinazione del sito da copiare !!!"},
        {{"--copia", " ", dest("vuoto")}, 1, "Indicare un indirizzo Internet !!!"},
        {{"--copia", server.url("/ok/index.htm"), dest("file/sotto")}, 1,
         "Errore !!! - Non riesco a creare le cartelle: " + dest("file/sotto") + "/\\"},
        {{"--copia", server.url("/ok/index.htm")}, 64, ""},
        {{"--sconosciuta"}, 64, ""},
    };
    for (const auto& c : cases) {
        const Outcome r = mirasito(QStringList(c.args) << "--nascosto");
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        if (c.code == 64) {
            EXPECT_TRUE(r.err.contains("--copia")) << r.err.toStdString(); // the usage
            EXPECT_TRUE(r.out.isEmpty());
        } else {
            EXPECT_EQ(messagesOf(r.err).value(messagesOf(r.err).size() - 1), c.lastMessage)
                << c.args.join(' ').toStdString();
            EXPECT_TRUE(r.out.value(r.out.size() - 1).startsWith("riepilogo ")) << c.args.join(' ').toStdString();
        }
    }
}

TEST_F(CommandLineCopyTest, SameTreeAsTheWindowsOwnCopy) {
    TreeSite site;
    site.fanOut = 3;
    site.depth = 3;
    site.images = 10;
    site.lineEnd = "\n";
    site.serve(server, "/albero/");

    const Outcome r = mirasito({"--copy", server.url("/albero/index.htm"), dest("riga"), "--level", "3", "--hidden"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    Messages::setScript([](const Messages::Event&) {});
    {
        Form3 form(InHousePaths{dest("no-marker"), dest("no-folder")});
        form.setEndProgram([] {});
        form.Text1->setText(server.url("/albero/index.htm"));
        form.Text3->setText(dest("finestra"));
        form.Text2->setText("3");
        form.Command4_Click();
    }
    Messages::setScript(nullptr);

    const auto fromLine = treeOf(dest("riga"));
    EXPECT_EQ(fromLine.size(), site.pages() + 10 + 1);
    EXPECT_TRUE(fromLine == treeOf(dest("finestra")));

    // Without the source pane the pages are downloaded, the same bytes again.
    const Outcome plain = mirasito({"--copia", server.url("/albero/index.htm"), dest("scaricate"), "--livello", "3",
                                "--senza-sorgente", "--nascosto"});
    ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
    EXPECT_TRUE(treeOf(dest("scaricate")) == fromLine);
}

} // namespace
