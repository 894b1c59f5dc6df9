// Replacing a file when the write cannot go through: the old file stays whole and
// nothing is left beside it. Each case runs in a child process, which may lower its
// file size limit or become an unprivileged user without touching the test program.
#include "fs/ReplaceFile.h"
#include "fs/RunError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef Q_OS_LINUX
namespace {

constexpr int kSetupFailed = 254;

// Runs prepare, then the replacement, in a child process; gives the failure number
// the replacement raised (0 when it ran through), or kSetupFailed.
template <typename Prepare>
int replaceInChild(Prepare prepare, const QString& path, const QByteArray& bytes) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (!prepare())
            ::_exit(kSetupFailed);
        try {
            replaceFile(path, bytes);
        } catch (const RunError& e) {
            ::_exit(e.Number & 0xFF);
        }
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace
#endif

TEST(ReplaceFile, AFailingWriteLeavesTheOldFileWholeAndNothingBeside) {
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "needs a file size limit and a switch of user in a child process";
#else
    // The unprivileged user of the read-only case: the one running the tests, or
    // "nobody" when that is root (who may write any file).
    const bool root = ::geteuid() == 0;
    const passwd* nobody = root ? ::getpwnam("nobody") : nullptr;
    const uid_t uid = nobody ? nobody->pw_uid : ::geteuid();
    const gid_t gid = nobody ? nobody->pw_gid : ::getegid();

    enum Obstacle { None, FileSizeLimit, ReadOnlyFile };
    const struct { const char* what; Obstacle obstacle; int number; } cases[] = {
        {"nothing in the way", None, 0},
        // The write stops at 4 KB as on a full disk: with SIGXFSZ ignored it fails with
        // "file too large", an access failure.
        {"a write that fails halfway", FileSizeLimit, 75},
        {"a read-only file", ReadOnlyFile, 70},
    };
    const QByteArray old = "vecchio contenuto";
    const QByteArray fresh(100000, 'n');
    QString skipped;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.obstacle == ReadOnlyFile && root && !nobody) {
            skipped = QStringLiteral("%1: running as root, and no user \"nobody\" to run it as").arg(c.what);
            continue;
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("pagina.htm");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        // The folder open to anyone, so that only the file itself can stand in the way.
        ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
        if (c.obstacle == ReadOnlyFile)
            ASSERT_TRUE(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

        const int number = replaceInChild(
            [&] {
                if (c.obstacle == FileSizeLimit) {
                    const rlimit limit{4096, 4096};
                    return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
                }
                if (c.obstacle == ReadOnlyFile && root)
                    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
                return true;
            },
            QString(path).replace('/', '\\'), fresh);

        EXPECT_EQ(number, c.number);
        EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not readable>"),
                  c.number ? old : fresh);
        file.close();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{"pagina.htm"});
    }
    if (!skipped.isEmpty())
        GTEST_SKIP() << skipped.toStdString();
#endif
}

// Where no file stood, the bytes go under the file's own name: a write that fails
// halfway, or a folder that refuses the file, leaves nothing; a name that is no file
// fails with a missing folder's number first.
TEST(ReplaceFile, ANewFileIsWholeOrNotThere) {
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "needs a file size limit and a switch of user in a child process";
#else
    const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    enum Obstacle { None, FileSizeLimit, ReadOnlyFolder };
    const struct { const char* name; Obstacle obstacle; int number; } cases[] = {
        {"pagina.htm", None, 0}, {"pagina.htm", FileSizeLimit, 75}, {"pagina.htm", ReadOnlyFolder, 70},
        {"cartella", None, 75},  {"cartella/", None, 75},           {"manca/", None, 76},
        {"manca/pagina.htm", None, 76},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.obstacle));
        if (c.obstacle == ReadOnlyFolder && ::geteuid() == 0 && !nobody)
            continue; // root writes in any folder
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkdir("cartella"));
        const int mode = c.obstacle == ReadOnlyFolder ? 0x5555 : 0x7777; // r-x or rwx for everybody
        ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::Permissions(mode)));
        const int number = replaceInChild(
            [&] {
                const rlimit limit{4096, 4096};
                if (c.obstacle == FileSizeLimit)
                    return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
                if (c.obstacle == ReadOnlyFolder && nobody)
                    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
                           ::setuid(nobody->pw_uid) == 0;
                return true;
            },
            QString(dir.filePath(c.name)).replace('/', '\\'), QByteArray(100000, 'n'));
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  number ? QStringList{"cartella"} : QStringList({"cartella", "pagina.htm"}));
    }
#endif
}
