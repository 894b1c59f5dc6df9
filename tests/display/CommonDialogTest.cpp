#include "DisplayTestSupport.h"
#include "display/CommonDialog.h"
#include "display/DialogFilter.h"
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

TEST(DialogFilter, PairsBecomeNameFiltersAndAnOddListIsRefused) {
    const struct { QString filter; QStringList names; } cases[] = {
        {"Pagine Internet (*.HTM)|*.HTM", {"Pagine Internet (*.HTM)"}},
        {"Pagine|*.htm;*.html|Tutti i file|*.*", {"Pagine (*.htm *.html)", "Tutti i file (*.*)"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dialogNameFilters(c.filter), c.names) << c.filter.toStdString();
    for (const QString bad : {"Pagine", "Pagine|*.htm|Tutti"})
        EXPECT_EQ(displaytest::failure([&] { dialogNameFilters(bad); }), ErrorCodes::FiltroNonValido) << bad.toStdString();
}

// Shows the real dialog, types name in it and presses Enter (ok) or Esc, as the user would.
static bool run(CommonDialog& dialog, bool save, const QString& name, bool ok) {
    QTimer timer;
    bool shown = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer.stop();
            shown = true;
            auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
            edit->setText(name);
            QTest::keyClick(edit, ok ? Qt::Key_Return : Qt::Key_Escape);
        }
    });
    timer.start(20);
    const bool result = save ? dialog.ShowSave() : dialog.ShowOpen();
    EXPECT_TRUE(shown) << "no modal file dialog came up";
    return result;
}

TEST(CommonDialog, OpenTakesANameThatDoesNotExistYetAndCancelKeepsTheOldName) {
    QTemporaryDir dir;
    CommonDialog dialog;
    dialog.Filter = "*.*|*.*";
    dialog.DefaultExt = "*.*";
    dialog.FileName = displaytest::programForm(dir.path());
    EXPECT_TRUE(run(dialog, false, "NUOVA", true));
    EXPECT_EQ(dialog.FileName, QDir::toNativeSeparators(dir.filePath("NUOVA")));
    EXPECT_FALSE(QFile::exists(dir.filePath("NUOVA")));
    EXPECT_FALSE(run(dialog, true, "altro", false));
    EXPECT_EQ(dialog.FileName, QDir::toNativeSeparators(dir.filePath("NUOVA")));
}
