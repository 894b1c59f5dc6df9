// Files written again one after another through one spare: each gets exactly its
// bytes, its time and its permissions, other names of a file keep the old bytes,
// nothing is left beside them, and a program killed meanwhile leaves each file whole.
#include "fs/FileReplacer.h"
#include "fs/RunError.h"
#include "fs/TemporaryFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

QString programPath(const QString& diskPath) {
    return QString(diskPath).replace('/', '\\');
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not there>");
}

QStringList filesBelow(const QString& root) {
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

#ifdef Q_OS_LINUX
ino_t inodeOf(const QString& path) {
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_ino : 0;
}
#endif

} // namespace

TEST(FileReplacer, EachFileItsBytesTimeAndPermissionsOtherNamesKeepTheOldAndNothingLeftBeside) {
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath("a") && QDir(root).mkpath("b") && QDir(root).mkpath("c"));
    const QByteArray longOld(70000, 'v');
    for (const char* name : {"a/uno.html", "b/due.html", "a/tre.html", "a/link.html"})
        ASSERT_TRUE(write(root + "/" + name, longOld));
    const QFileDevice::Permissions modeOfUno = QFileInfo(root + "/a/uno.html").permissions();
    ASSERT_TRUE(QFile::setPermissions(root + "/a/tre.html", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                QFileDevice::ReadGroup));
#ifdef Q_OS_LINUX
    ASSERT_EQ(::link(QFile::encodeName(root + "/a/link.html").constData(),
                     QFile::encodeName(root + "/c/altro-nome.html").constData()),
              0);
    QSet<ino_t> inodesBefore;
    for (const QString& f : filesBelow(root))
        inodesBefore << inodeOf(root + "/" + f);
#endif
    const QDateTime t1 = QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30, 250), QTimeZone::utc());
    const QDateTime t2 = QDateTime(QDate(2019, 12, 31), QTime(23, 59, 59), QTimeZone::utc());
    const struct {
        const char* file;
        QByteArray bytes;
        QDateTime modified;
    } rows[] = {
        {"a/uno.html", "uno, piu corto", t1},         // a shorter file leaves no tail of the old one
        {"b/due.html", QByteArray(200000, 'd'), t2},  // another folder, longer than the old file
        {"a/tre.html", "tre", QDateTime()},           // its own permissions stay
        {"a/link.html", "un nome solo", t1},          // the file's other name keeps the old bytes
        {"a/nuovo.html", "nuovo", t2},                // no file there yet
        {"a/uno.html", "uno, di nuovo", t2},          // the same file again
        {"b/due.html", "", t1},                       // nothing at all
    };
    {
        FileReplacer replacer;
        for (const auto& r : rows) {
            SCOPED_TRACE(r.file);
            const QString path = root + "/" + r.file;
            replacer.replace(programPath(path), r.bytes, r.modified);
            EXPECT_EQ(read(path), r.bytes);
            if (r.modified.isValid())
                EXPECT_EQ(QFileInfo(path).lastModified().toUTC(), r.modified);
        }
    }
    // Each file keeps its own permissions, whichever file's spare it was written in.
    EXPECT_EQ(QFileInfo(root + "/a/tre.html").permissions() & 0x0777, 0x0640); // rw- r-- ---
    EXPECT_EQ(QFileInfo(root + "/a/uno.html").permissions(), modeOfUno);
    EXPECT_EQ(read(root + "/a/uno.html"), "uno, di nuovo");
    EXPECT_EQ(read(root + "/b/due.html"), "");
    EXPECT_EQ(filesBelow(root), QStringList({"a/link.html", "a/nuovo.html", "a/tre.html", "a/uno.html", "b/due.html",
                                             "c/altro-nome.html"}));
#ifdef Q_OS_LINUX
    EXPECT_EQ(read(root + "/c/altro-nome.html"), longOld);
    // No file was made for each replacement: the files written again are the old
    // files' inodes (and the one spare), taken in turn.
    QSet<ino_t> made;
    for (const char* name : {"a/uno.html", "b/due.html", "a/tre.html"})
        if (!inodesBefore.contains(inodeOf(root + "/" + name)))
            made << inodeOf(root + "/" + name);
    EXPECT_LE(made.size(), 1) << "a new file for each file written again";
#endif
}

// The program ending at once (its temporary files removed) takes the spare with it;
// a write that fails (the file size limit standing for a full disk) leaves the old file.
TEST(FileReplacer, ASpareRemovedAtTheEndAndAFailedWriteLeavesTheOldFile) {
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "needs a file size limit in a child process";
#else
    QTemporaryDir dir;
    const QString a = dir.filePath("a.html"), b = dir.filePath("b.html");
    ASSERT_TRUE(write(a, "vecchio a") && write(b, "vecchio b"));
    {
        FileReplacer replacer;
        replacer.replace(programPath(a), "nuovo a");
        EXPECT_EQ(filesBelow(dir.path()).size(), 3) << "the spare beside the files";
        EXPECT_EQ(TemporaryFiles::removeAllNotKept(), 1);
        EXPECT_EQ(filesBelow(dir.path()), QStringList({"a.html", "b.html"}));
        replacer.replace(programPath(b), "nuovo b");
    }
    EXPECT_EQ(filesBelow(dir.path()), QStringList({"a.html", "b.html"}));
    EXPECT_EQ(read(a) + read(b), "nuovo anuovo b");

    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{4096, 4096};
        if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(254);
        FileReplacer replacer;
        int number = 0;
        try {
            replacer.replace(programPath(a), "piccolo a");
            replacer.replace(programPath(b), QByteArray(100000, 'n'));
        } catch (const RunError& e) {
            number = e.Number & 0xFF;
        }
        // Nothing holds the disk's room meanwhile: the spare that could not be
        // written is gone at once, not when the replacer ends.
        ::_exit(filesBelow(dir.path()).size() == 2 ? number : 253);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 75);
    EXPECT_EQ(read(a) + "|" + read(b), "piccolo a|nuovo b");
    EXPECT_EQ(filesBelow(dir.path()), QStringList({"a.html", "b.html"}));
#endif
}

// A spare of a name given takes the place of whatever a program killed meanwhile left
// under it: a spare, or a link, which is removed without touching what it leads to.
TEST(FileReplacer, ASpareOfItsOwnNameReplacesOneLeftBehind) {
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "makes a symbolic link";
#else
    for (const bool link : {false, true}) {
        SCOPED_TRACE(link ? "a link left" : "a spare left");
        QTemporaryDir dir;
        const QString spare = dir.filePath("ricambio.tmp"), other = dir.filePath("altrove.txt");
        ASSERT_TRUE(write(dir.filePath("a.html"), "vecchio a") && write(other, "da non toccare"));
        if (link)
            ASSERT_EQ(::symlink(QFile::encodeName(other).constData(), QFile::encodeName(spare).constData()), 0);
        else
            ASSERT_TRUE(write(spare, "avanzo"));
        {
            FileReplacer replacer(programPath(spare));
            replacer.replace(programPath(dir.filePath("a.html")), "nuovo a");
            EXPECT_EQ(read(spare), "vecchio a");
        }
        EXPECT_EQ(read(dir.filePath("a.html")) + "|" + read(other), "nuovo a|da non toccare");
        EXPECT_EQ(filesBelow(dir.path()), QStringList({"a.html", "altrove.txt"}));
    }
#endif
}

// A program killed while it writes a file again and again leaves it whole: the old
// bytes or the new ones, never a mix of the two or a part of either.
TEST(FileReplacer, AFileWrittenAgainIsWholeWhenTheProgramIsKilled) {
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "kills a child process";
#else
    QTemporaryDir dir;
    const QString page = dir.filePath("pagina.html");
    const QByteArray first(300000, 'a'), second(180000, 'b');
    ASSERT_TRUE(write(page, first));
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            FileReplacer replacer;
            for (int i = 0;; ++i)
                replacer.replace(programPath(page), i % 2 ? first : second);
        }
        ::usleep(useconds_t(2000 + QRandomGenerator::global()->bounded(20000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const QByteArray bytes = read(page);
        ASSERT_TRUE(bytes == first || bytes == second)
            << "round " << round << ": " << bytes.size() << " bytes, " << bytes.count('a') << " of the first";
        // A killed program leaves its spare beside the file: it goes before the next round.
        for (const QString& f : filesBelow(dir.path()))
            if (f != "pagina.html")
                QFile::remove(dir.filePath(f));
    }
#endif
}
