// The Debian package as a user gets it: unpacked into an empty folder with dpkg-deb, its
// files where the desktop looks for them, its entries accepted by the validators, and the
// installed program answering --version and opening its window, which closes cleanly.
#include "app/AppIcon.h"
#include "app/Form3.h"
#include "app/Version.h"
#include "tests/support/OwnXServer.h"
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kDesktopFile = QStringLiteral("usr/share/applications/it.mirasito.Mirasito.desktop");
const QString kMetainfoFile = QStringLiteral("usr/share/metainfo/it.mirasito.Mirasito.metainfo.xml");
const int kIconSizes[] = {16, 32, 48, 128, 256};

struct Result {
    int code = -1; // -1: did not start, crashed or timed out
    QString out;   // standard output and error together
};

Result run(const QString& program, const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), int timeoutMs = 120000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Result r;
    if (p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAll());
    return r;
}

QString text(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The package of this build, unpacked once for the test program.
struct Unpacked {
    QString deb, error;
    QTemporaryDir dir;
    QString root() const { return dir.filePath("root"); }
    QString path(const QString& rel) const { return root() + '/' + rel; }
    QString field(const QString& name) const { return run("dpkg-deb", {"-f", deb, name}).out.trimmed(); }
};

const Unpacked& unpacked() {
    static const std::unique_ptr<Unpacked> u = [] {
        auto u = std::make_unique<Unpacked>();
        const QDir build(QStringLiteral(MIRASITO_BUILD_DIR));
        const QStringList debs = build.entryList({QString("mirasito_%1_*.deb").arg(kMirasitoVersion)}, QDir::Files);
        if (debs.size() != 1) {
            u->error = QString("%1 packages mirasito_%2_*.deb in %3: run scripts/package")
                           .arg(debs.size()).arg(kMirasitoVersion, build.path());
            return u;
        }
        u->deb = build.filePath(debs.first());
        if (QFileInfo(MIRASITO_EXE).lastModified() > QFileInfo(u->deb).lastModified()) {
            u->error = u->deb + " is older than " MIRASITO_EXE ": run scripts/package";
            return u;
        }
        const Result x = run("dpkg-deb", {"-x", u->deb, u->root()});
        if (x.code != 0)
            u->error = "dpkg-deb -x failed: " + x.out;
        return u;
    }();
    return *u;
}

#define UNPACKED(u)                                                                                                   \
    const Unpacked& u = unpacked();                                                                                   \
    ASSERT_TRUE(u.error.isEmpty()) << u.error.toStdString()

// "key=value" lines of the [Desktop Entry] group.
QMap<QString, QString> desktopEntry(const QString& path) {
    QMap<QString, QString> keys;
    bool inGroup = false;
    for (const QString& line : text(path).split('\n')) {
        if (line.startsWith('['))
            inGroup = line == "[Desktop Entry]";
        else if (inGroup && line.contains('='))
            keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    return keys;
}

// The SVG's rectangles painted one by one on a transparent image.
QImage paintedSvg(const QString& path, QString* viewBox) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter painter(&img);
    QXmlStreamReader xml(text(path));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == u"svg")
            *viewBox = a.value("viewBox").toString();
        else if (xml.name() == u"rect")
            painter.fillRect(a.value("x").toInt(), a.value("y").toInt(), a.value("width").toInt(),
                             a.value("height").toInt(), QColor(a.value("fill").toString()));
    }
    if (xml.hasError())
        *viewBox = "XML error: " + xml.errorString();
    return img;
}

} // namespace

TEST(Package, ControlFieldsAndLintian) {
    UNPACKED(u);
    EXPECT_EQ(u.field("Package"), "mirasito");
    EXPECT_EQ(u.field("Version"), kMirasitoVersion);
    EXPECT_EQ(u.field("Section"), "web");
    EXPECT_TRUE(u.field("Maintainer").contains(QRegularExpression("^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")))
        << u.field("Maintainer").toStdString();
    // Read off the executable: the Qt 6 widgets and browser, libcurl, the C and C++ run-times.
    const QString depends = u.field("Depends");
    for (const char* lib : {"libqt6widgets6", "libqt6webenginewidgets6", "libqt6gui6", "libqt6core6", "libcurl4",
                            "libc6", "libstdc++6"})
        EXPECT_TRUE(depends.contains(QRegularExpression(QString("(^|, )%1 \\(>= ").arg(QRegularExpression::escape(lib)))))
            << lib << " not in " << depends.toStdString();
    const QStringList description = u.field("Description").split('\n');
    ASSERT_GE(description.size(), 3);
    EXPECT_FALSE(description[0].trimmed().isEmpty());

    const Result lintian = run("lintian", {u.deb});
    EXPECT_EQ(lintian.code, 0) << lintian.out.toStdString();
    EXPECT_FALSE(lintian.out.contains(QRegularExpression("^[EW]: ", QRegularExpression::MultilineOption)))
        << lintian.out.toStdString();
}

TEST(Package, InstallsExactlyTheProgramItsMenuEntryIconsAndDocuments) {
    UNPACKED(u);
    QStringList expected{"usr/bin/mirasito",
                         QStringLiteral("usr/" MIRASITO_MODULE_DIR "/libmirasito-browser.so"),
                         kDesktopFile,
                         kMetainfoFile,
                         "usr/share/icons/hicolor/scalable/apps/mirasito.svg",
                         "usr/share/man/man1/mirasito.1.gz",
                         "usr/share/doc/mirasito/copyright",
                         "usr/share/doc/mirasito/changelog.gz"};
    for (int size : kIconSizes)
        expected << QString("usr/share/icons/hicolor/%1x%1/apps/mirasito.png").arg(size);
    QStringList found;
    for (QDirIterator it(u.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        found << QDir(u.root()).relativeFilePath(it.next());
    expected.sort();
    found.sort();
    EXPECT_EQ(found, expected);

    const QFileInfo exe(u.path("usr/bin/mirasito"));
    EXPECT_TRUE(exe.isExecutable());
    const QString kind = run("file", {exe.filePath()}).out;
    EXPECT_TRUE(kind.contains("ELF") && kind.contains("stripped") && !kind.contains("not stripped")) << kind.toStdString();
    // The Debian changelog's first entry is this version.
    EXPECT_TRUE(run("sh", {"-c", "gzip -dc \"$0\" | head -n 1", u.path("usr/share/doc/mirasito/changelog.gz")})
                    .out.startsWith(QString("mirasito (%1) ").arg(kMirasitoVersion)));
    EXPECT_TRUE(text(u.path("usr/share/doc/mirasito/copyright")).contains(QRegularExpression("^Copyright: \\d{4} ",
                                                                                            QRegularExpression::MultilineOption)));
}

TEST(Package, IconsAreTheWindowIconAtEverySize) {
    UNPACKED(u);
    const QImage base = appIconImage(32).convertToFormat(QImage::Format_ARGB32);
    for (int size : kIconSizes) {
        SCOPED_TRACE(size);
        const QImage png(u.path(QString("usr/share/icons/hicolor/%1x%1/apps/mirasito.png").arg(size)));
        ASSERT_EQ(png.size(), QSize(size, size));
        const QImage got = png.convertToFormat(QImage::Format_ARGB32);
        // Up to 48 pixels the icon's own drawing at that size; above, the 32 pixel image
        // with each pixel a whole square block (no smoothing, no colour outside the 16).
        const QImage want = size <= 48 ? appIconImage(size).convertToFormat(QImage::Format_ARGB32) : base;
        const int block = size <= 48 ? 1 : size / 32;
        int wrong = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                wrong += got.pixel(x, y) != want.pixel(x / block, y / block);
        EXPECT_EQ(wrong, 0);
    }
    QString viewBox;
    const QImage svg = paintedSvg(u.path("usr/share/icons/hicolor/scalable/apps/mirasito.svg"), &viewBox);
    EXPECT_EQ(viewBox, "0 0 32 32");
    EXPECT_TRUE(svg == base) << "the SVG does not draw the 32 pixel icon";
}

TEST(Package, MenuEntryAndMetainfoPassTheValidatorsAndNameWhatIsInstalled) {
    UNPACKED(u);
    const Result desktop = run("desktop-file-validate", {u.path(kDesktopFile)});
    EXPECT_EQ(desktop.code, 0);
    EXPECT_EQ(desktop.out, "");
    const Result appstream = run("appstreamcli", {"validate", "--no-net", u.path(kMetainfoFile)});
    EXPECT_EQ(appstream.code, 0) << appstream.out.toStdString();

    const auto entry = desktopEntry(u.path(kDesktopFile));
    for (const char* key : {"Name", "Name[it]", "Comment", "Comment[it]"})
        EXPECT_FALSE(entry.value(key).isEmpty()) << key;
    EXPECT_NE(entry.value("Comment"), entry.value("Comment[it]"));
    EXPECT_TRUE(entry.value("Categories").split(';').contains("Network")) << entry.value("Categories").toStdString();
    EXPECT_TRUE(QFileInfo(u.path("usr/bin/" + entry.value("Exec"))).isExecutable()) << entry.value("Exec").toStdString();
    EXPECT_TRUE(QFileInfo::exists(u.path("usr/share/icons/hicolor/48x48/apps/" + entry.value("Icon") + ".png")))
        << entry.value("Icon").toStdString();

    QMap<QString, QString> meta; // element name (with its type attribute) -> text or version
    QXmlStreamReader xml(text(u.path(kMetainfoFile)));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"release")
            meta.insert("release", xml.attributes().value("version").toString());
        else if (xml.name() == u"id" || xml.name() == u"launchable" || xml.name() == u"binary")
            meta.insert(xml.name().toString(), xml.readElementText());
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(meta.value("release"), kMirasitoVersion);
    EXPECT_EQ(meta.value("launchable"), QFileInfo(kDesktopFile).fileName());
    EXPECT_EQ(meta.value("id") + ".metainfo.xml", QFileInfo(kMetainfoFile).fileName());
    EXPECT_EQ(meta.value("binary"), entry.value("Exec"));
}

// --version needs no display: it answers before any window exists.
TEST(Package, InstalledProgramPrintsThePackageVersion) {
    UNPACKED(u);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(var);
    const Result r = run(u.path("usr/bin/mirasito"), {"--version"}, env, 10000);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QString("Mirasito %1\n").arg(u.field("Version")));
}

TEST(Package, InstalledProgramOpensItsWindowUnderXAndClosesCleanly) {
    UNPACKED(u);
    const OwnXServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start";

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QTWEBENGINE_CHROMIUM_FLAGS"})
        env.remove(var);
    env.insert("DISPLAY", QString::fromLatin1(x.display()));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(u.path("usr/bin/mirasito"), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    QString title;
    unsigned long window = 0;
    for (QDeadlineTimer t(60000); !window && !t.hasExpired() && program.state() == QProcess::Running;) {
        QThread::msleep(200);
        window = x.findWindow(Form3::kCaption, &title);
    }
    ASSERT_NE(window, 0u) << "no window; the program said: " << program.readAll().toStdString();
    EXPECT_EQ(title, Form3::kCaption + Form3::kCreditSuffix);
    // The menu entry claims the running window by its class.
    EXPECT_EQ(x.windowClass(window), desktopEntry(u.path(kDesktopFile)).value("StartupWMClass"));

    // Closed the way a window manager's close button does it. The limit only catches a
    // program that never ends: a busy machine is slow to start the browser engine.
    ASSERT_TRUE(x.closeUntilEnded(Form3::kCaption, program, 90000));
    ASSERT_EQ(program.state(), QProcess::NotRunning) << "still running after the close; it said: "
                                                     << program.readAll().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    const QString said = QString::fromLocal8Bit(program.readAll());
    EXPECT_EQ(program.exitCode(), 0) << said.toStdString();
    // The browser pane's module was found where the package put it.
    EXPECT_FALSE(said.contains(QStringLiteral("il browser non si carica"))) << said.toStdString();
}
