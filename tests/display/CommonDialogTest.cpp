#include "DisplayTestSupport.h"
#include "display/CommonDialog.h"
#include "display/DialogFilter.h"
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using displaytest::ModalWatch;

// Presses the dialog's Open or Save button, as the user would.
void confirm(QFileDialog* d) {
    auto* buttons = d->findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    QPushButton* ok = buttons->button(d->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                 : QDialogButtonBox::Open);
    ASSERT_NE(ok, nullptr);
    ASSERT_TRUE(ok->isEnabled());
    ok->click();
}

int filterFailure(const QString& filter) {
    try {
        dialogNameFilters(filter);
    } catch (const RunError& e) {
        EXPECT_EQ(e.Description, QStringLiteral("Filtro del dialogo non valido"));
        return e.Number;
    }
    return 0;
}

TEST(DialogFilter, PairsBecomeNameFilters) {
    struct Case {
        QString filter;
        QStringList names;
    };
    const Case cases[] = {
        {"Pagine Internet (*.HTM)|*.HTM", {"Pagine Internet (*.HTM)"}},
        {"*.*|*.*", {"*.* (*.*)"}},
        {"Pagine|*.htm;*.html|Tutti i file|*.*", {"Pagine (*.htm *.html)", "Tutti i file (*.*)"}},
        {"Pagine (vecchie)|*.htm", {"Pagine (vecchie) (*.htm)"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dialogNameFilters(c.filter), c.names) << c.filter.toStdString();
    for (const QString bad : {"Pagine", "Pagine|*.htm|Tutti", "|*.htm", "Pagine|", "Pagine| ; "})
        EXPECT_EQ(filterFailure(bad), ErrorCodes::FiltroNonValido) << bad.toStdString();
}

TEST(DialogFilter, DefaultSuffixOnlyForARealExtension) {
    const std::pair<QString, QString> cases[] = {
        {"*.HTM", "HTM"}, {".htm", "htm"}, {"HTM", "HTM"}, {"*.*", ""}, {"*", ""}, {"", ""}, {"*.ht?", ""},
    };
    for (const auto& [pattern, suffix] : cases)
        EXPECT_EQ(dialogDefaultSuffix(pattern), suffix) << pattern.toStdString();
}

// What the open dialog showed when it came up.
struct Shown {
    QString folder;
    QString name;
    QStringList filters;
    QString selectedFilter;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QString title;
};

class CommonDialogTest : public ::testing::Test {
protected:
    // Shows the dialog, notes what it shows, types name (when given) and confirms, or
    // cancels. A question box that comes up over it is noted and answered.
    bool show(bool save, const QString& typed, bool confirm, Shown& shown) {
        std::unique_ptr<ModalWatch<QMessageBox>> question;
        ModalWatch<QFileDialog> watch([&, typed, confirm](QFileDialog* d) {
            shown.folder = d->directory().absolutePath();
            if (auto* edit = d->findChild<QLineEdit*>("fileNameEdit")) {
                shown.name = edit->text();
                if (!typed.isNull())
                    edit->setText(typed);
            }
            shown.filters = d->nameFilters();
            shown.selectedFilter = d->selectedNameFilter();
            shown.mode = d->acceptMode();
            shown.title = d->windowTitle();
            question = std::make_unique<ModalWatch<QMessageBox>>([&](QMessageBox* box) {
                questions << box->text();
                for (QAbstractButton* b : box->buttons())
                    if (box->buttonRole(b) == QMessageBox::YesRole || box->buttonRole(b) == QMessageBox::AcceptRole) {
                        b->click();
                        break;
                    }
            });
            if (confirm)
                ::confirm(d);
            else
                d->reject();
        });
        const bool result = save ? dialog.ShowSave() : dialog.ShowOpen();
        EXPECT_TRUE(watch.ran()) << "no modal file dialog came up";
        return result;
    }

    QTemporaryDir dir;
    CommonDialog dialog;
    QStringList questions;
};

TEST_F(CommonDialogTest, OpenTakesANameThatDoesNotExistYetInTheFolderShown) {
    dialog.Filter = "*.*|*.*";
    dialog.DefaultExt = "*.*";
    dialog.FileName = QString(dir.path()).replace('/', '\\'); // program form
    Shown shown;
    EXPECT_TRUE(show(false, "NUOVA", true, shown));
    EXPECT_EQ(shown.folder, dir.path());
    EXPECT_EQ(shown.name, QString());
    EXPECT_EQ(shown.filters, QStringList{"*.* (*.*)"});
    EXPECT_EQ(shown.mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.FileName, QDir::toNativeSeparators(dir.filePath("NUOVA")));
    EXPECT_FALSE(QFile::exists(dir.filePath("NUOVA")));
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(CommonDialogTest, AFileIsShownInItsFolderAndTheDefaultExtensionIsAdded) {
    dialog.Filter = "Pagine Internet (*.HTM)|*.HTM";
    dialog.DefaultExt = "*.HTM";
    dialog.FileName = dir.filePath("indice.htm");
    Shown shown;
    EXPECT_TRUE(show(false, QString(), true, shown));
    EXPECT_EQ(shown.folder, dir.path());
    EXPECT_EQ(shown.name, QStringLiteral("indice.htm"));
    EXPECT_EQ(shown.filters, QStringList{"Pagine Internet (*.HTM)"});
    EXPECT_EQ(dialog.FileName, dir.filePath("indice.htm"));

    EXPECT_TRUE(show(false, "pagina", true, shown));
    EXPECT_EQ(dialog.FileName, dir.filePath("pagina.HTM"));

    // A bare name stands in the program's current folder.
    dialog.FileName = "relativa.htm";
    EXPECT_FALSE(show(false, QString(), false, shown));
    EXPECT_EQ(shown.folder, QDir::currentPath());
    EXPECT_EQ(shown.name, QStringLiteral("relativa.htm"));
    // A name whose folder does not exist is offered as it stands.
    dialog.FileName = dir.filePath("manca/a.htm");
    EXPECT_FALSE(show(false, QString(), false, shown));
    EXPECT_EQ(shown.name, dir.filePath("manca/a.htm"));
}

TEST_F(CommonDialogTest, CancelLeavesTheNameAsItWas) {
    dialog.FileName = dir.filePath("proposta.HTM");
    Shown shown;
    EXPECT_FALSE(show(true, "altro", false, shown));
    EXPECT_EQ(dialog.FileName, dir.filePath("proposta.HTM"));
    EXPECT_EQ(shown.mode, QFileDialog::AcceptSave);
    ASSERT_EQ(shown.filters.size(), 1); // no filter given yet: every file
    EXPECT_TRUE(shown.filters.first().endsWith("(*)"));
}

TEST_F(CommonDialogTest, SaveReplacesAnExistingFileWithoutAQuestion) {
    const QString existing = dir.filePath("esiste.htm");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    dialog.FileName = existing;
    Shown shown;
    EXPECT_TRUE(show(true, QString(), true, shown));
    EXPECT_EQ(dialog.FileName, existing);
    EXPECT_TRUE(questions.isEmpty()) << questions.join('|').toStdString();
    EXPECT_EQ(shown.title, QStringLiteral("Salva con nome"));
}

TEST_F(CommonDialogTest, SettingsAreKeptFromOneShowingToTheNext) {
    dialog.Filter = "Pagine|*.htm|Tutti|*.*";
    dialog.DefaultExt = "*.HTM";
    dialog.FileName = dir.path();
    {
        ModalWatch<QFileDialog> watch([&](QFileDialog* d) {
            d->selectNameFilter("Tutti (*.*)");
            d->findChild<QLineEdit*>("fileNameEdit")->setText("a");
            confirm(d);
        });
        EXPECT_TRUE(dialog.ShowOpen());
        ASSERT_TRUE(watch.ran());
    }
    EXPECT_EQ(dialog.FileName, dir.filePath("a.HTM"));

    // Nothing set again: the same filter list with the type last chosen, the folder
    // last used when no name is given.
    dialog.FileName.clear();
    Shown second;
    EXPECT_TRUE(show(true, "nuovo.htm", true, second));
    EXPECT_EQ(second.filters, (QStringList{"Pagine (*.htm)", "Tutti (*.*)"}));
    EXPECT_EQ(second.selectedFilter, QStringLiteral("Tutti (*.*)"));
    EXPECT_EQ(second.folder, dir.path());
    EXPECT_EQ(dialog.FileName, dir.filePath("nuovo.htm"));
}

TEST_F(CommonDialogTest, ABadFilterIsRefusedBeforeAnythingShows) {
    dialog.Filter = "Pagine|*.htm|Tutti";
    dialog.FileName = "prima";
    try {
        dialog.ShowOpen();
        ADD_FAILURE() << "no error";
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, ErrorCodes::FiltroNonValido);
    }
    EXPECT_EQ(dialog.FileName, QStringLiteral("prima"));
}

TEST_F(CommonDialogTest, AScriptStandsInForTheDialog) {
    QList<bool> calls;
    CommonDialog::setScript([&](CommonDialog& d, bool save) {
        calls << save;
        if (save)
            d.FileName = "C:\\TMP\\scelto.HTM";
        return save;
    });
    dialog.FileName = "iniziale";
    EXPECT_FALSE(dialog.ShowOpen());
    EXPECT_TRUE(dialog.ShowSave());
    CommonDialog::setScript(nullptr);
    EXPECT_EQ(calls, (QList<bool>{false, true}));
    EXPECT_EQ(dialog.FileName, QStringLiteral("C:\\TMP\\scelto.HTM"));
}

} // namespace
