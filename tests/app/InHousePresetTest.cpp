// The in-house preset applied at load: a marker file that opens for reading and the
// in-house program folder, both found through the program-form paths.
#include "AppTestSupport.h"
#include "fs/NativePath.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

enum class Marker { Missing, File, Folder };

struct Installation {
    QTemporaryDir dir;
    InHousePaths paths;
    Installation(Marker marker, bool folder) {
        const QString markerPath = dir.path() + "/UTILITY/DOR-ZIP.EXE";
        const QString folderPath = dir.path() + "/VELT/PRG";
        QDir(dir.path()).mkpath("UTILITY");
        if (marker == Marker::File) {
            QFile f(markerPath);
            f.open(QIODevice::WriteOnly);
            f.write("MZ");
        } else if (marker == Marker::Folder) {
            QDir().mkpath(markerPath);
        }
        if (folder)
            QDir().mkpath(folderPath);
        paths.markerFile = programForm(markerPath);
        paths.folder = programForm(folderPath) + "\\";
    }
};

void expectDesigned(Form3& f) {
    EXPECT_EQ(f.windowTitle(), Form3::kCaption + Form3::kCreditSuffix);
    EXPECT_FALSE(f.Label6[0]->isHidden());
    EXPECT_FALSE(f.Label6[1]->isHidden());
    for (QLineEdit* box : {f.txtLOGIN, f.txtPASSWORD, f.txtPROXY, f.txtPORTA})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
}

void expectInHouse(Form3& f) {
    EXPECT_EQ(f.windowTitle(), "Mirasito Internet (Immagini e Sorgenti Pagine Internet .HTM)");
    EXPECT_TRUE(f.Label6[0]->isHidden());
    EXPECT_TRUE(f.Label6[1]->isHidden());
    EXPECT_TRUE(QRegularExpression("^[A-Z]{6}$").match(f.txtLOGIN->text()).hasMatch()) << f.txtLOGIN->text().toStdString();
    EXPECT_TRUE(QRegularExpression("^[A-Z]{5}$").match(f.txtPASSWORD->text()).hasMatch());
    EXPECT_TRUE(QRegularExpression("^[A-Z]{3}$").match(f.txtPROXY->text()).hasMatch()) << f.txtPROXY->text().toStdString();
    EXPECT_EQ(f.txtPORTA->text(), "8080");
}

} // namespace

TEST(InHousePreset, AppliedOnlyWithAReadableMarkerFileAndTheProgramFolder) {
    const struct { const char* what; Marker marker; bool folder; bool inHouse; } cases[] = {
        {"no marker, no folder", Marker::Missing, false, false},
        {"no marker, folder", Marker::Missing, true, false},
        {"marker, no folder", Marker::File, false, false},
        {"marker and folder", Marker::File, true, true},
        {"marker path is a folder", Marker::Folder, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Installation inst(c.marker, c.folder);
        EXPECT_EQ(InHousePreset::recognised(inst.paths), c.inHouse);
        Form3 f(inst.paths);
        f.setEndProgram([] {});
        if (c.inHouse)
            expectInHouse(f);
        else
            expectDesigned(f);
        // The rest of the window is as designed either way.
        EXPECT_EQ(f.Text1->text(), "");
        EXPECT_EQ(f.Text2->text(), "4");
        EXPECT_EQ(f.txtLIVELLO->text(), "0");
    }
}

TEST(InHousePreset, MarkerThatCannotBeReadCountsAsMissing) {
    Installation inst(Marker::File, true);
    QFile marker(nativePath(inst.paths.markerFile));
    ASSERT_TRUE(marker.setPermissions(QFileDevice::Permissions()));
    if (marker.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "this user reads files whatever their permissions (root)";
    EXPECT_FALSE(InHousePreset::recognised(inst.paths));
    Form3 f(inst.paths);
    f.setEndProgram([] {});
    expectDesigned(f);
    marker.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
