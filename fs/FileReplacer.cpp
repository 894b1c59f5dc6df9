#include "fs/FileReplacer.h"
#include "fs/NativePath.h"
#include "fs/ReplaceFile.h"
#include "fs/TemporaryFiles.h"
#include "fs/TimeSpent.h"

#include <QFile>

#ifdef __linux__
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FileReplacer::FileReplacer(const QString& spareAt) : m_spareAt(nativePath(spareAt)) {}

FileReplacer::~FileReplacer() {
    dropSpare();
}

void FileReplacer::replace(const QString& programPath, const QByteArray& bytes, const QDateTime& modified) {
    {
        const TimeSpent::Measure spent(TimeSpent::Activity::FileWrite);
        const QString path = nativePath(programPath);
        if (!path.isEmpty() && !path.contains(QChar(0)) && traded(path, bytes, modified))
            return;
    }
    replaceFile(programPath, bytes, modified);
}

#ifdef __linux__

bool FileReplacer::traded(const QString& path, const QByteArray& bytes, const QDateTime& modified) {
    if (m_unsupported)
        return false;
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    // Only a plain file of one name, that this program may write, is traded.
    if (::stat(target.constData(), &old) != 0 || !S_ISREG(old.st_mode) || old.st_nlink != 1 ||
        ::access(target.constData(), W_OK) != 0)
        return false;
    const QByteArray spare = QFile::encodeName(m_spareAt);
    if (m_spare < 0) {
        // A name, not what it may lead to, is removed: a link stays a link.
        ::unlink(spare.constData());
        m_spare = ::open(spare.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        m_spareMode = -1;
        if (m_spare < 0) {
            // Where the spare cannot be made, none is tried again.
            m_unsupported = true;
            return false;
        }
        TemporaryFiles::add(m_spareAt, [this] {
            if (m_spare >= 0)
                ::close(m_spare);
            m_spare = -1;
        });
    }
    // The spare gets the bytes whole, the old file's permissions and the time given;
    // anything failing before the trade leaves the old file untouched.
    bool ready = ::ftruncate(m_spare, 0) == 0;
    for (qsizetype done = 0; ready && done < bytes.size();) {
        const ssize_t n = ::pwrite(m_spare, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        ready = n > 0;
        done += ready ? n : 0;
    }
    const int mode = int(old.st_mode & 07777);
    ready = ready && (mode == m_spareMode || ::fchmod(m_spare, mode_t(mode)) == 0);
    if (ready && modified.isValid()) {
        const qint64 ms = modified.toMSecsSinceEpoch();
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(ms / 1000), long(ms % 1000) * 1000000L}};
        ready = ::futimens(m_spare, times) == 0;
    }
    if (!ready) {
        dropSpare();
        return false;
    }
    if (::renameat2(AT_FDCWD, spare.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        // A system or file system that cannot trade names is not asked again.
        m_unsupported = errno == EINVAL || errno == ENOSYS || errno == ENOTSUP;
        dropSpare();
        return false;
    }
    // The spare's name now holds the old file: it is the next spare.
    m_spareMode = mode;
    ::close(m_spare);
    m_spare = ::open(spare.constData(), O_RDWR | O_CLOEXEC);
    if (m_spare < 0) {
        ::unlink(spare.constData());
        TemporaryFiles::forget(m_spareAt);
    }
    return true;
}

void FileReplacer::dropSpare() {
    if (m_spare < 0)
        return;
    ::close(m_spare);
    m_spare = -1;
    ::unlink(QFile::encodeName(m_spareAt).constData());
    TemporaryFiles::forget(m_spareAt);
}

#else

bool FileReplacer::traded(const QString&, const QByteArray&, const QDateTime&) {
    return false;
}

void FileReplacer::dropSpare() {}

#endif
