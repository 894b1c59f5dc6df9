// Files written again one after another through one spare: each gets exactly its
// bytes, time and permissions, other names of a file keep the old bytes, nothing is
// left beside them, and a program killed meanwhile leaves each file whole.
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

namespace {

QString programPath(QString diskPath) {
    return diskPath.replace('/', '\\');
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
    for (QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

ino_t inodeOf(const QString& path) {
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_ino : 0;
}

} // namespace

TEST(FileReplacer, EachFileItsBytesTimeAndPermissionsOtherNamesKeepTheOldAndNothingLeftBeside) {
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath("a") && QDir(root).mkpath("b") && QDir(root).mkpath("c"));
    const QByteArray longOld(70000, 'v');
    for (const char* name : {"a/uno.html", "b/due.html", "a/tre.html", "a/link.html"})
        ASSERT_TRUE(write(root + "/" + name, longOld));
    const QFileDevice::Permissions modeOfUno = QFileInfo(root + "/a/uno.html").permissions();
    ASSERT_TRUE(QFile::setPermissions(root + "/a/tre.html", QFileDevice::Permissions(0x6040))); // rw- r-- ---
    ASSERT_EQ(::link(QFile::encodeName(root + "/a/link.html").constData(),
                     QFile::encodeName(root + "/c/altro-nome.html").constData()),
              0);
    QSet<ino_t> inodesBefore;
    for (const QString& f : filesBelow(root))
        inodesBefore << inodeOf(root + "/" + f);
    // A leftover of a killed run stands where the spare goes: a link, not followed.
    ASSERT_EQ(::symlink(QFile::encodeName(root + "/c/altro-nome.html").constData(),
                        QFile::encodeName(root + "/ricambio.tmp").constData()),
              0);
    const QDateTime t1(QDate(2024, 3, 5), QTime(10, 20, 30, 250), QTimeZone::utc());
    const QDateTime t2(QDate(2019, 12, 31), QTime(23, 59, 59), QTimeZone::utc());
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
        {"a/uno.html", "uno, di nuovo", t2},          // again, in the spare that was a/tre.html
        {"b/due.html", "", t1},                       // nothing at all
    };
    {
        FileReplacer replacer(programPath(root + "/ricambio.tmp"));
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
    EXPECT_EQ(QFileInfo(root + "/a/tre.html").permissions() & 0x0777, 0x0640);
    EXPECT_EQ(QFileInfo(root + "/a/uno.html").permissions(), modeOfUno);
    EXPECT_EQ(filesBelow(root), QStringList({"a/link.html", "a/nuovo.html", "a/tre.html", "a/uno.html", "b/due.html",
                                             "c/altro-nome.html"}));
    EXPECT_EQ(read(root + "/c/altro-nome.html"), longOld);
    // No file was made for each replacement: the files written again are the old
    // files' inodes (and the one spare), taken in turn.
    QSet<ino_t> made;
    for (const char* name : {"a/uno.html", "b/due.html", "a/tre.html"})
        if (!inodesBefore.contains(inodeOf(root + "/" + name)))
            made << inodeOf(root + "/" + name);
    EXPECT_LE(made.size(), 1) << "a new file for each file written again";
}

// The program ending at once (its temporary files removed) takes the spare with it; a
// write that fails (a file size limit standing for a full disk, in a child process)
// leaves the old file, and the spare goes at once, holding no room meanwhile.
TEST(FileReplacer, ASpareRemovedAtTheEndAndAFailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.html"), b = dir.filePath("b.html"), spare = programPath(dir.filePath("r.tmp"));
    ASSERT_TRUE(write(a, "vecchio a") && write(b, "vecchio b"));
    {
        FileReplacer replacer(spare);
        replacer.replace(programPath(a), "nuovo a");
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
        FileReplacer replacer(spare);
        int number = 0;
        try {
            replacer.replace(programPath(a), "piccolo a");
            replacer.replace(programPath(b), QByteArray(100000, 'n'));
        } catch (const RunError& e) {
            number = e.Number & 0xFF;
        }
        ::_exit(filesBelow(dir.path()).size() == 2 ? number : 253);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 75);
    EXPECT_EQ(read(a) + "|" + read(b), "piccolo a|nuovo b");
    EXPECT_EQ(filesBelow(dir.path()), QStringList({"a.html", "b.html"}));
}

// A program killed while it writes a file again and again leaves it whole: the old
// bytes or the new ones, never a mix of the two or a part of either; the spare it
// leaves goes with the next replacer's.
TEST(FileReplacer, AFileWrittenAgainIsWholeWhenTheProgramIsKilled) {
    QTemporaryDir dir;
    const QString page = dir.filePath("pagina.html"), spare = programPath(dir.filePath("r.tmp"));
    const QByteArray first(300000, 'a'), second(180000, 'b');
    ASSERT_TRUE(write(page, first));
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            FileReplacer replacer(spare);
            for (int i = 0;; ++i)
                replacer.replace(programPath(page), i % 2 ? first : second);
        }
        ::usleep(useconds_t(2000 + QRandomGenerator::global()->bounded(20000)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QByteArray bytes = read(page);
        ASSERT_TRUE(bytes == first || bytes == second)
            << "round " << round << ": " << bytes.size() << " bytes, " << bytes.count('a') << " of the first";
    }
    FileReplacer(spare).replace(programPath(page), "fine");
    EXPECT_EQ(filesBelow(dir.path()), QStringList{"pagina.html"});
}
#endif
