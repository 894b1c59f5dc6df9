// A copy from the command line without its window: the source pane holds each page as
// text and makes no document of it; the window shown afterwards shows the last page.
#include "AppTestSupport.h"
#include "app/CommandLineCopy.h"
#include "display/RichTextBox.h"
#include "tests/support/HttpServer.h"

#include <QTextDocument>
#include <gtest/gtest.h>
#include <sstream>

TEST(HiddenCopySourcePane, KeepsThePagesAsTextUntilTheWindowIsShown) {
    HttpServer server;
    server.setPage("/sito/index.htm", "<html>\r\n<a href=\"a.htm\">a</a>\r\n</html>\r\n");
    server.setPage("/sito/a.htm", "<html>\npagina a\r\n</html>\n");
    OrdinaryForm form;
    CommandLine::CopyRequest request{server.url("/sito/index.htm").toStdString(),
                                     form.filePath("copia").toStdString(), "1", false, true};
    std::ostringstream out, err;
    ASSERT_EQ(runCommandLineCopy(form, request, out, err), 0) << err.str();

    EXPECT_FALSE(form.RichTextBox1->showsText());
    EXPECT_EQ(form.RichTextBox1->Text(), "<html>\npagina a\r\n</html>\n");
    EXPECT_EQ(form.RichTextBox1->document()->toPlainText(), "RichTextBox1");
    form.show();
    EXPECT_EQ(form.RichTextBox1->document()->toPlainText(), "<html>\npagina a\n</html>\n");
}
