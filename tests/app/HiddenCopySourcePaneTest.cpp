// A copy from the command line without its window: the source pane holds each page as
// text and makes no document of it, and saves the pages all the same; the window
// shown afterwards shows the last page read.
#include "AppTestSupport.h"
#include "app/CommandLineCopy.h"
#include "display/RichTextBox.h"
#include "tests/support/HttpServer.h"

#include <QFile>
#include <QTextBlock>
#include <gtest/gtest.h>
#include <sstream>

namespace {

QStringList shownLines(const RichTextBox& box) {
    QStringList lines;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

TEST(HiddenCopySourcePane, KeepsThePagesAsTextUntilTheWindowIsShown) {
    const QByteArray start = "<html>\r\n<a href=\"a.htm\">a</a>\r\n</html>\r\n";
    const QByteArray page = "<html>\npagina a\r\n</html>\n";
    HttpServer server;
    server.setPage("/sito/index.htm", start);
    server.setPage("/sito/a.htm", page);
    OrdinaryForm form;
    CommandLine::CopyRequest request;
    request.address = server.url("/sito/index.htm").toStdString();
    request.destination = form.filePath("copia").toStdString();
    request.level = "1";
    request.hidden = true;
    std::ostringstream out, err;
    ASSERT_EQ(runCommandLineCopy(form, request, out, err), 0) << err.str();

    EXPECT_FALSE(form.RichTextBox1->showsText());
    EXPECT_EQ(form.RichTextBox1->Text(), QString::fromLatin1(page));
    EXPECT_EQ(shownLines(*form.RichTextBox1), QStringList{"RichTextBox1"});
    for (const auto& [name, bytes] : {std::pair{"index.htm", start}, std::pair{"a.htm", page}}) {
        QFile saved(form.filePath("copia/") + name);
        EXPECT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll(), bytes) << name;
    }
    form.show();
    EXPECT_EQ(shownLines(*form.RichTextBox1), QStringList({"<html>", "pagina a", "</html>", ""}));
}

} // namespace
