// Copies into a destination that refuses to be written: a read-only folder, a file
// where a folder should be, a full disk, names the file system refuses. On a real main
// window against a loopback server; only the message boxes are scripted. What was
// copied before stays as it was, and no temporary file is left behind.
#include "app/Form3.h"
#include "display/Messages.h"
#include "tests/copier/FormFixture.h"
#include "tests/support/FileTree.h"
#include "tests/support/HttpServer.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

using Tree = FileTree;

Tree filesUnder(const QString& root) {
    return fileTree(root, Folders::Skipped);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray page(const QByteArray& text, std::initializer_list<QByteArray> links = {}) {
    QByteArray out = "<html><body>" + text + "\r\n";
    for (const QByteArray& link : links)
        out += "<a href=\"" + link + "\">x</a>\r\n";
    return out + "</body></html>\r\n";
}

const QString kDone = QStringLiteral("Copia Sito Internet Terminata !!!");

QString saveFailure(const QString& file, int number, const QString& description) {
    return QStringLiteral("Errore in registrazione file %1\r\rERR: %2 - %3").arg(file).arg(number).arg(description);
}

// A file system mounted for one test, taken away at its end.
struct Mount {
    QByteArray at;
    bool mounted = false;
    QString failure; // why the last step failed; empty when none did
    Mount(const char* source, const QString& target, const char* type, unsigned long flags, const char* options)
        : at(QFile::encodeName(target)) {
        mounted = step(::mount(source, at.constData(), type, flags, options) == 0, "mount");
    }
    // The same mount made read-only.
    bool makeReadOnly() {
        return step(::mount(nullptr, at.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0,
                    "remount read-only");
    }
    bool step(bool done, const char* what) {
        if (!done)
            failure = QStringLiteral("%1 %2: %3").arg(what, QFile::decodeName(at),
                                                      QString::fromLocal8Bit(std::strerror(errno)));
        return done;
    }
    ~Mount() {
        if (mounted)
            ::umount2(at.constData(), MNT_DETACH);
    }
};

class FileSystemTroubleTest : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        dest = outer.filePath("dest");
    }

    void copy(const QString& path) {
        events.clear();
        form->Text1->setText(server.url(path));
        form->Text3->setText(dest);
        form->Text2->setText("3");
        form->Command4_Click();
    }
    QString startFile(const QString& name = "index.htm") const { return dest + "/\\" + name; }

    QString dest;
};

TEST_F(FileSystemTroubleTest, ReadOnlyDestinationKeepsTheEarlierCopy) {
    server.setPage("/sito/index.htm", page("prima", {"a.htm"}));
    server.setPage("/sito/a.htm", page("a"));
    copy("/sito/index.htm");
    ASSERT_EQ(events, QStringList({kDone}));
    const Tree before = filesUnder(dest);
    ASSERT_EQ(before.keys(), QStringList({"a.htm", "index.htm"}));

    // Root ignores a folder's permissions; a read-only mount holds for root too.
    std::unique_ptr<Mount> readOnly;
    if (::geteuid() == 0) {
        readOnly = std::make_unique<Mount>(qPrintable(dest), dest, nullptr, MS_BIND, nullptr);
        if (!readOnly->mounted || !readOnly->makeReadOnly())
            GTEST_SKIP() << "no folder that root cannot write to here: " << readOnly->failure.toStdString();
    } else {
        ASSERT_TRUE(QFile::setPermissions(dest, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }

    // A copy ends at the start page; GO's download fails without a word.
    server.setPage("/sito/index.htm", page("dopo", {"a.htm"}));
    server.setPage("/sito/a.htm", page("a dopo"));
    const int fetchesOfA = server.requestCount("/sito/a.htm");
    copy("/sito/index.htm");
    EXPECT_EQ(events, QStringList({"<beep>", saveFailure(startFile(), 70, "Permesso negato")}));
    EXPECT_EQ(server.requestCount("/sito/a.htm"), fetchesOfA);

    events.clear();
    form->Check3->setChecked(false);
    form->Text1->setText(server.url("/sito/a.htm"));
    form->Command1_Click();
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();

    EXPECT_TRUE(filesUnder(dest) == before);
    if (::geteuid() != 0)
        QFile::setPermissions(dest, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(FileSystemTroubleTest, FileWhereAFolderShouldBe) {
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(writeFile(dest + "/sub", "un file, non una cartella"));
    server.setPage("/sito/index.htm", page("inizio", {"sub/p.htm", "sub/img/a.gif", "dopo.htm"}));
    server.setPage("/sito/sub/p.htm", page("p"));
    server.setPage("/sito/sub/img/a.gif", "GIF89a-finta", "image/gif");
    server.setPage("/sito/dopo.htm", page("dopo"));

    copy("/sito/index.htm");

    // The page under sub/ cannot be saved and is skipped; the image goes into the
    // destination itself, as every download does; the rest is copied.
    EXPECT_EQ(events, QStringList({kDone}));
    const Tree expected{{"sub", "un file, non una cartella"},
                        {"index.htm", page("inizio", {"sub/p.htm", "sub/img/a.gif", "dopo.htm"})},
                        {"a.gif", "GIF89a-finta"},
                        {"dopo.htm", page("dopo")}};
    EXPECT_TRUE(filesUnder(dest) == expected) << filesUnder(dest).keys().join(' ').toStdString();
}

TEST_F(FileSystemTroubleTest, FullDiskKeepsWhatWasCopied) {
    const QString disk = outer.filePath("disco");
    ASSERT_TRUE(QDir().mkpath(disk));
    const Mount tmpfs("tmpfs", disk, "tmpfs", 0, "size=512k");
    if (!tmpfs.mounted)
        GTEST_SKIP() << "no small disk to fill here: " << tmpfs.failure.toStdString();
    dest = disk + "/dest";

    const QByteArray big(100 * 1024, 'g');
    auto serve = [&](const QByteArray& version) {
        server.setPage("/sito/index.htm", page(version, {"grande.htm", "piccola.htm", "foto.gif"}));
        server.setPage("/sito/grande.htm", page(version + big));
        server.setPage("/sito/piccola.htm", page(version));
        server.setPage("/sito/foto.gif", "GIF89a-" + version + big, "image/gif");
    };
    serve("uno");
    copy("/sito/index.htm");
    ASSERT_EQ(events, QStringList({kDone}));
    const Tree first = filesUnder(dest);
    ASSERT_EQ(first.keys(), QStringList({"foto.gif", "grande.htm", "index.htm", "piccola.htm"}));

    // Fill the disk but for two blocks: the small pages fit, the big page and the
    // image do not, and their earlier copies stay.
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(QFile::encodeName(disk).constData(), &fs), 0);
    const qint64 block = qint64(fs.f_bsize);
    ASSERT_TRUE(writeFile(disk + "/riempitivo", QByteArray(qint64(fs.f_bavail) * block - 2 * block, 'r')));
    serve("due");
    copy("/sito/index.htm");
    EXPECT_EQ(events, QStringList({kDone}));
    Tree expected = first;
    expected["index.htm"] = page("due", {"grande.htm", "piccola.htm", "foto.gif"});
    expected["piccola.htm"] = page("due");
    EXPECT_TRUE(filesUnder(dest) == expected) << filesUnder(dest).keys().join(' ').toStdString();

    // Not a block left: the start page cannot be saved, and the copy ends there.
    writeFile(disk + "/ultimo", QByteArray(4 * block, 'u')); // fills what is left, and fails
    ASSERT_EQ(::statvfs(QFile::encodeName(disk).constData(), &fs), 0);
    ASSERT_EQ(fs.f_bavail, 0u);
    serve("tre");
    copy("/sito/index.htm");
    EXPECT_EQ(events, QStringList({"<beep>", saveFailure(startFile(), 61, "Disco pieno")}));
    EXPECT_TRUE(filesUnder(dest) == expected) << filesUnder(dest).keys().join(' ').toStdString();
}

TEST_F(FileSystemTroubleTest, NamesTheFileSystemRefuses) {
    // Longer than a name may be: the start page cannot be saved, and the copy ends.
    const QString longName = QString(300, 'n') + ".htm";
    server.setPage("/sito/" + longName, page("lungo"));
    copy("/sito/" + longName);
    EXPECT_EQ(events, QStringList({"<beep>", saveFailure(startFile(longName), 75,
                                                         "Errore di accesso al percorso o al file")}));
    EXPECT_TRUE(filesUnder(dest).isEmpty());

    // As references: a long name and a name holding a NUL (an image: downloaded, not
    // shown) are skipped quietly, with or without the source shown; the pages around
    // them are copied, and nothing is made under another name.
    server.setFallback(page("ovunque"));
    const QByteArray start = page("inizio", {"prima.htm", longName.toLatin1(), QByteArray("nul\0.gif", 8), "dopo.htm"});
    server.setPage("/sito/index.htm", start);
    for (const bool source : {true, false}) {
        SCOPED_TRACE(source ? "source shown" : "downloaded");
        QDir(dest).removeRecursively();
        form->Check3->setChecked(source);
        copy("/sito/index.htm");
        EXPECT_EQ(events, QStringList({kDone}));
        const Tree expected{{"index.htm", start}, {"prima.htm", page("ovunque")}, {"dopo.htm", page("ovunque")}};
        EXPECT_TRUE(filesUnder(dest) == expected) << filesUnder(dest).keys().join(' ').toStdString();
    }
}

} // namespace
