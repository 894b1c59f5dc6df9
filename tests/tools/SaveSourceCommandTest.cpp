// "Registra sorgente" on a real main window: the name the dialog proposes, the
// bytes written, the failure message, and what a cancel or an empty box does.
#include "ToolsFixture.h"

#include "display/RichTextBox.h"
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

class SaveSourceTest : public ToolsFixture {};

TEST_F(SaveSourceTest, DialogProposesNameInDestinationFolder) {
    struct Case {
        QString address, dest, proposed;
    };
    const Case cases[] = {
        {"http://www.digiland.example/x/pagina.asp?id=3+4", "C:\\TMP\\", "C:\\TMP\\pagina_asp_id=3_4.HTM"},
        {"  http://h/mia pagina.htm ", "C:\\TMP\\", "C:\\TMP\\mia pagina_htm.HTM"},
        {"pagina", "", "pagina.HTM"}, // nothing downloaded yet: the bare name
    };
    cancel();
    for (const Case& c : cases) {
        showings.clear();
        form->Text1->setText(c.address);
        form->state().WPATH_DEST = c.dest;
        form->cmdREGISTRA->click();
        ASSERT_EQ(showings.size(), 1u) << c.address.toStdString();
        EXPECT_TRUE(showings[0].save);
        EXPECT_EQ(showings[0].fileName, c.proposed) << c.address.toStdString();
    }
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
}

TEST_F(SaveSourceTest, EmptyOrBlankAddressDoesNothing) {
    pick(at("never.htm"));
    for (const char* text : {"", "   "}) {
        form->Text1->setText(text);
        form->cmdREGISTRA->click();
    }
    EXPECT_TRUE(showings.empty());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(host("never.htm")));
}

TEST_F(SaveSourceTest, WritesThePaneTextByteExact) {
    // CR LF, a lone CR, a lone LF, NUL, and characters of the single-byte mapping;
    // a character outside it is written as "?".
    const QString text = QStringLiteral("<p>uno\r\ndue\rtre\nquattro") + QChar(0) + QStringLiteral("\u20ac\u00e9\u00ff\u0152|\u4e2d");
    const QByteArray expected = QByteArray("<p>uno\r\ndue\rtre\nquattro") + QByteArray(1, '\0') + "\x80\xe9\xff\x8c|?";
    form->RichTextBox1->setText(text);
    form->Text1->setText("http://www.digiland.example/pagina.htm");
    form->state().WPATH_DEST = destFolder();

    // A longer file of the same name is replaced, not overwritten in part.
    {
        QFile old(host("pagina_htm.HTM"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500, 'x'));
    }
    answer = [](CommonDialog&) { return true; }; // confirms the proposed name
    form->cmdREGISTRA->click();

    ASSERT_EQ(showings.size(), 1u);
    EXPECT_EQ(showings[0].fileName, at("pagina_htm.HTM"));
    EXPECT_EQ(bytesOf(host("pagina_htm.HTM")), expected);
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
}

TEST_F(SaveSourceTest, SavesUnderTheNameTheUserTyped) {
    form->RichTextBox1->setText("abc");
    form->Text1->setText("pagina");
    pick(at("altro nome.txt"));
    form->cmdREGISTRA->click();
    EXPECT_EQ(bytesOf(host("altro nome.txt")), QByteArray("abc"));
    EXPECT_FALSE(QFileInfo::exists(host("pagina.HTM")));
}

TEST_F(SaveSourceTest, CancelSavesNothingAndSaysNothing) {
    form->RichTextBox1->setText("abc");
    form->Text1->setText("pagina");
    form->state().WPATH_DEST = destFolder();
    cancel();
    form->cmdREGISTRA->click();
    EXPECT_EQ(showings.size(), 1u);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(SaveSourceTest, FailureBeepsThenShowsNumberWithSignPosition) {
    form->RichTextBox1->setText("abc");
    form->Text1->setText("pagina");
    pick(at("manca\\pagina.HTM")); // its folder does not exist
    form->cmdREGISTRA->click();
    const QStringList expected = {
        "<beep>", QStringLiteral("Errore in registrazione sorgente: \r\rERR: 76 - ") +
                      ErrorCodes::descrizione(ErrorCodes::PercorsoNonTrovato)};
    EXPECT_EQ(events, expected);
    EXPECT_FALSE(QFileInfo::exists(host("manca")));
    // Nothing else changes: the pane keeps its text and the user may try again.
    EXPECT_EQ(form->RichTextBox1->Text(), QStringLiteral("abc"));
    pick(at("pagina.HTM"));
    form->cmdREGISTRA->click();
    EXPECT_EQ(bytesOf(host("pagina.HTM")), QByteArray("abc"));
    EXPECT_EQ(events.size(), 2);
}

TEST_F(SaveSourceTest, DialogThatCannotBeShownIsReportedLikeAFailedSave) {
    form->Text1->setText("pagina");
    answer = [](CommonDialog&) -> bool { throw RunError(-7, QStringLiteral("Prova")); };
    form->cmdREGISTRA->click();
    const QStringList expected = {"<beep>", QStringLiteral("Errore in registrazione sorgente: \r\rERR:-7 - Prova")};
    EXPECT_EQ(events, expected);
}

} // namespace
