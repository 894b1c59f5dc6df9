// The two "Sfoglia ..." commands on a real main window, with the file dialog
// scripted: the refusal, the dialog's settings, the chosen path, the folder
// creation and its messages, a cancel, and a dialog that refuses its settings.
#include "ToolsFixture.h"

#include "fs/ErrorCodes.h"
#include "fs/RunError.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kRefusal = QStringLiteral("Non posso usare il Pulsante Sfoglia con siti Internet !");
const QString kCreated = QStringLiteral("OK - Create le cartelle e sotto-cartelle: ");
const QString kNotCreated = QStringLiteral("Errore !!! - Non riesco a creare le cartelle: ");

class BrowsePageTest : public ToolsFixture {};

TEST_F(BrowsePageTest, InternetAddressIsRefusedWithBeep) {
    pick("C:\\TMP\\a.htm");
    for (const char* text : {"http://www.digiland.example/", "  hTtP://x", "HTTP://", "   HTTP://X/Y.HTM  "}) {
        events.clear();
        form->Text1->setText(text);
        form->Command3->click();
        EXPECT_EQ(events, QStringList({"<beep>", kRefusal})) << text;
        EXPECT_EQ(form->Text1->text(), QString(text));
    }
    EXPECT_TRUE(showings.empty());
}

TEST_F(BrowsePageTest, OtherTextOpensDialogAndTakesPickedPath) {
    // Only "HTTP://" is refused; the box's text goes to the dialog untrimmed.
    for (const char* text : {"www.digiland.example/a.htm", "ftp://server", "file:///tmp/a.htm", "", "  pagina.htm ",
                             "\thttp://tab-prima"}) {
        showings.clear();
        form->Text1->setText(text);
        pick("C:\\TMP\\a.htm");
        form->Command3->click();
        ASSERT_EQ(showings.size(), 1u) << text;
        EXPECT_FALSE(showings[0].save);
        EXPECT_EQ(showings[0].filter, QStringLiteral("Pagine Internet (*.HTM)|*.HTM"));
        EXPECT_EQ(showings[0].defaultExt, QStringLiteral("*.HTM"));
        EXPECT_EQ(showings[0].fileName, QString(text));
        EXPECT_EQ(form->Text1->text(), QStringLiteral("C:\\TMP\\a.htm"));
    }
    // Nothing opened, nothing said.
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
    EXPECT_TRUE(form->state().WURL.isEmpty());
}

TEST_F(BrowsePageTest, CancelLeavesTheAddress) {
    form->Text1->setText("pagina.htm");
    answer = [](CommonDialog& d) {
        d.FileName = QStringLiteral("/altro.htm"); // whatever the dialog holds, a cancel uses none of it
        return false;
    };
    form->Command3->click();
    EXPECT_EQ(form->Text1->text(), QStringLiteral("pagina.htm"));
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(BrowsePageTest, FailingDialogIsSkippedSilently) {
    // The failing step is passed over; the address box then takes the name the dialog holds.
    form->Text1->setText("pagina.htm");
    answer = [](CommonDialog& d) -> bool {
        d.FileName = QStringLiteral("C:\\TMP\\tenuto.htm");
        throw RunError(ErrorCodes::FiltroNonValido, ErrorCodes::descrizione(ErrorCodes::FiltroNonValido));
    };
    form->Command3->click();
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
    EXPECT_EQ(form->Text1->text(), QStringLiteral("C:\\TMP\\tenuto.htm"));
}

class BrowseDestTest : public ToolsFixture {};

TEST_F(BrowseDestTest, NewFolderIsCreatedLevelByLevel) {
    form->Text3->setText(destFolder());
    const QString P = at("NUOVA\\SOTTO\\FONDO");
    pick(P);
    form->cmdSFOGLIA2->click();

    ASSERT_EQ(showings.size(), 1u);
    EXPECT_FALSE(showings[0].save);
    EXPECT_EQ(showings[0].filter, QStringLiteral("*.*|*.*"));
    EXPECT_EQ(showings[0].defaultExt, QStringLiteral("*.*"));
    EXPECT_EQ(showings[0].fileName, destFolder());
    EXPECT_EQ(form->Text3->text(), P);
    for (const char* level : {"NUOVA", "NUOVA/SOTTO", "NUOVA/SOTTO/FONDO"})
        EXPECT_TRUE(QFileInfo(host(level)).isDir()) << level;
    EXPECT_EQ(events, QStringList({kCreated + P})); // no beep
}

TEST_F(BrowseDestTest, ExistingFolderIsReportedAsCreated) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("C'E"));
    const QString P = at("C'E");
    pick(P);
    form->cmdSFOGLIA2->click();
    EXPECT_EQ(form->Text3->text(), P);
    EXPECT_EQ(events, QStringList({kCreated + P}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"C'E"}));
}

TEST_F(BrowseDestTest, PathThatCannotBeCreatedIsReported) {
    {
        QFile file(host("documento.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    // The file itself, a folder below it, and no name at all.
    for (const QString& P : {at("documento.txt"), at("documento.txt\\SOTTO"), QString()}) {
        events.clear();
        form->Text3->setText("C:\\TMP");
        pick(P);
        form->cmdSFOGLIA2->click();
        EXPECT_EQ(form->Text3->text(), P);
        EXPECT_EQ(events, QStringList({kNotCreated + P})) << P.toStdString();
    }
    EXPECT_TRUE(QFileInfo(host("documento.txt")).isFile());
}

TEST_F(BrowseDestTest, CancelChangesNothing) {
    const QString typed = at("NON\\CREARE");
    form->Text3->setText(typed);
    cancel(); // the dialog keeps the name it was given
    form->cmdSFOGLIA2->click();
    EXPECT_EQ(showings.size(), 1u);
    EXPECT_EQ(form->Text3->text(), typed);
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
    EXPECT_FALSE(QFileInfo::exists(host("NON")));
}

TEST_F(BrowseDestTest, DialogRefusingItsSettingsIsReported) {
    form->Text3->setText("C:\\TMP");
    answer = [](CommonDialog&) -> bool {
        throw RunError(ErrorCodes::FiltroNonValido, QStringLiteral("Filtro non valido"));
    };
    form->cmdSFOGLIA2->click();
    EXPECT_EQ(events, QStringList({"<beep>", QStringLiteral("Errore nella scelta della cartella di destinazione: "
                                                            "\r\r 20001 - Filtro non valido")}));
    EXPECT_EQ(form->Text3->text(), QStringLiteral("C:\\TMP"));
}

// The dialog is one object: the save command finds the settings the last browse gave it.
TEST_F(BrowseDestTest, SaveDialogKeepsTheLastBrowseSettings) {
    form->Text1->setText("pagina");
    cancel();
    form->cmdREGISTRA->click(); // before any browse: no list
    form->cmdSFOGLIA2->click();
    form->cmdREGISTRA->click();
    form->Command3->click();
    form->cmdREGISTRA->click();
    ASSERT_EQ(showings.size(), 5u);
    EXPECT_EQ(showings[0].filter, QString());
    EXPECT_EQ(showings[0].defaultExt, QString());
    EXPECT_EQ(showings[2].filter, QStringLiteral("*.*|*.*"));
    EXPECT_EQ(showings[2].defaultExt, QStringLiteral("*.*"));
    EXPECT_EQ(showings[4].filter, QStringLiteral("Pagine Internet (*.HTM)|*.HTM"));
    EXPECT_EQ(showings[4].defaultExt, QStringLiteral("*.HTM"));
    EXPECT_TRUE(showings[4].save);
}

} // namespace
