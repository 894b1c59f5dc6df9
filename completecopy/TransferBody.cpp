#include "completecopy/TransferBody.h"

#include "fs/NativePath.h"
#include "fs/TemporaryFiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qint64 kKeepPartialAbove = TransferScheduler::kKeepPartialAbove;
constexpr qint64 kHashReadBlock = 1024 * 1024;

// The failure of a file that could not be opened or written, as the file layer numbers it.
RunError fileFailure(const QString& nativeName, QFileDevice::FileError error) {
    const QFileInfo info(nativeName);
    if (!QFileInfo(info.absolutePath()).isDir())
        return numberedFailure(ErrorCodes::PercorsoNonTrovato);
    if (error == QFileDevice::ResourceError)
        return numberedFailure(ErrorCodes::DiscoPieno);
    if (error == QFileDevice::PermissionsError)
        return numberedFailure(ErrorCodes::PermessoNegato);
    return numberedFailure(ErrorCodes::ErroreAccessoFile);
}

bool isFileFault(const RunError& failure) {
    return failure.Number == ErrorCodes::DiscoPieno || failure.Number == ErrorCodes::PermessoNegato ||
           failure.Number == ErrorCodes::ErroreAccessoFile || failure.Number == ErrorCodes::PercorsoNonTrovato;
}

// Pages and stylesheets are read for their references: their bodies are also wanted
// in memory. An answer without a type may be either.
bool isReadForReferences(const QByteArray& contentType) {
    const qsizetype semicolon = contentType.indexOf(';');
    const QByteArray type = (semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed().toLower();
    return type.isEmpty() || type == "text/html" || type == "application/xhtml+xml" || type == "text/css";
}

// "bytes 100-199/200" (the total may be "*"): the first byte, -1 when not of that form.
qint64 firstByteOf(const QByteArray& contentRange) {
    const QByteArray value = contentRange.trimmed();
    if (!value.startsWith("bytes "))
        return -1;
    const QByteArray span = value.mid(6).trimmed();
    const qsizetype dash = span.indexOf('-');
    if (dash <= 0)
        return -1;
    bool ok = false;
    const qint64 first = span.left(dash).toLongLong(&ok);
    return ok ? first : -1;
}

} // namespace

TransferBody::TransferBody(const Request& request, Result& result)
    : request_(request), r_(result), partNative_(nativePath(TransferScheduler::temporaryFileFor(request.bodyFile))) {}

TransferBody::~TransferBody() {
    // The registry must not be left holding a way to close a file that is gone.
    if (file_)
        TemporaryFiles::closed(partNative_);
}

void TransferBody::prepare() {
    const qint64 from = request_.continueFrom;
    if (from <= 0)
        return;
    const QFileInfo info(partNative_);
    if (!request_.continueValidator.isEmpty() && info.isFile() && info.size() >= from &&
        (info.size() == from || QFile::resize(partNative_, from))) {
        continuing_ = true;
        TemporaryFiles::add(partNative_);
        TemporaryFiles::keep(partNative_, from > kKeepPartialAbove);
        return;
    }
    // Nothing that can be continued: the body comes whole, and no stale part stays.
    QFile::remove(partNative_);
    TemporaryFiles::forget(partNative_);
}

QList<QByteArray> TransferBody::rangeHeaders() const {
    if (!continuing_)
        return {};
    return {"Range: bytes=" + QByteArray::number(request_.continueFrom) + '-',
            "If-Range: " + request_.continueValidator};
}

bool TransferBody::begin(const Header& header) {
    r_.contentType = header("Content-Type");
    bool known = false;
    const qint64 length = header("Content-Length").toLongLong(&known);
    const qint64 cap = request_.memoryCap;
    wantedInMemory_ = isReadForReferences(r_.contentType);
    r_.body = QByteArray();
    r_.tooLargeToRead = false;
    hash_.reset();
    r_.fileSize = 0;
    close();
    qint64 already = 0;
    if (continuing_ && r_.status == 206) {
        // Another part than the one asked for: the part there is left as it was.
        if (firstByteOf(header("Content-Range")) != request_.continueFrom) {
            failure_ = numberedFailure(ErrorCodes::RispostaHttpNonValida);
            return false;
        }
        already = request_.continueFrom;
    }
    announced_ = known ? already + length : -1;
    touched_ = true;
    // A small page stays in memory until it proves larger.
    memoryOnly_ = request_.smallPagesInMemoryOnly && wantedInMemory_ && already == 0 &&
                  !(known && length > kKeepPartialAbove);
    if (memoryOnly_) {
        // A part an earlier run left is no use: the whole body comes again.
        if (continuing_) {
            QFile::remove(partNative_);
            TemporaryFiles::forget(partNative_);
        }
        if (known && length > 0)
            r_.body.reserve(qsizetype(length));
        return true;
    }
    if (!openFile(already))
        return false;
    QFile* file = file_.get();
    if (wantedInMemory_ && known && already + length > cap)
        r_.tooLargeToRead = true;
    else if (wantedInMemory_ && known && already + length > 0)
        r_.body.reserve(qsizetype(already + length));

    if (already > 0) {
        // The part already there counts in the hash, and in memory when wanted.
        r_.continued = true;
        if (wantedInMemory_ && already > cap)
            r_.tooLargeToRead = true;
        while (r_.fileSize < already) {
            const QByteArray block = file->read(std::min(kHashReadBlock, already - r_.fileSize));
            if (block.isEmpty()) {
                failure_ = fileFailure(partNative_, QFileDevice::ReadError);
                return false;
            }
            hash_.add(block);
            if (wantedInMemory_ && !r_.tooLargeToRead)
                r_.body.append(block);
            r_.fileSize += block.size();
        }
        file->seek(already);
    }
    TemporaryFiles::keep(partNative_, r_.fileSize > kKeepPartialAbove);
    return true;
}

bool TransferBody::openFile(qint64 already) {
    file_ = std::make_unique<QFile>(partNative_);
    const QIODevice::OpenMode mode = already > 0 ? QIODevice::ReadWrite | QIODevice::Unbuffered
                                                 : QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    // The folder of the file is made once there is a file to put in it.
    bool opened = file_->open(mode);
    if (!opened && !QFileInfo(QFileInfo(partNative_).absolutePath()).isDir() &&
        QDir().mkpath(QFileInfo(partNative_).absolutePath()))
        opened = file_->open(mode);
    if (!opened) {
        failure_ = fileFailure(partNative_, file_->error());
        file_.reset();
        return false;
    }
    QFile* file = file_.get();
    TemporaryFiles::add(partNative_, [file] { file->close(); });
    return true;
}

bool TransferBody::write(const char* data, qint64 size) {
    if (memoryOnly_) {
        hash_.add(QByteArrayView(data, qsizetype(size)));
        r_.body.append(data, qsizetype(size));
        r_.fileSize += size;
        if (r_.fileSize <= kKeepPartialAbove)
            return true;
        // Larger than it looked: from here on it goes to the disk as any body.
        memoryOnly_ = false;
        if (!openFile(0) || file_->write(r_.body) != r_.body.size()) {
            if (file_ && !failure_)
                failure_ = fileFailure(partNative_, file_->error());
            return false;
        }
        if (r_.body.size() > request_.memoryCap) {
            r_.tooLargeToRead = true;
            r_.body = QByteArray();
        }
        TemporaryFiles::keep(partNative_, true);
        return true;
    }
    if (file_->write(data, size) != size) {
        failure_ = fileFailure(partNative_, file_->error());
        return false;
    }
    hash_.add(QByteArrayView(data, qsizetype(size)));
    r_.fileSize += size;
    if (wantedInMemory_ && !r_.tooLargeToRead) {
        if (r_.body.size() + size > request_.memoryCap) {
            r_.tooLargeToRead = true;
            r_.body = QByteArray();
        } else {
            r_.body.append(data, qsizetype(size));
        }
    }
    // Past the mark the part is worth continuing, even if the program ends meanwhile.
    if (r_.fileSize > kKeepPartialAbove && r_.fileSize - size <= kKeepPartialAbove)
        TemporaryFiles::keep(partNative_, true);
    return true;
}

bool TransferBody::isLarge() const {
    return r_.fileSize > kKeepPartialAbove || announced_ > kKeepPartialAbove;
}

void TransferBody::close() {
    if (!file_)
        return;
    file_->close();
    if (file_->error() != QFileDevice::NoError && !failure_)
        failure_ = fileFailure(partNative_, file_->error());
    file_.reset();
    TemporaryFiles::closed(partNative_);
}

void TransferBody::finish(const std::optional<RunError>& failure) {
    const QString temporaryFile = TransferScheduler::temporaryFileFor(request_.bodyFile);
    if (failure) {
        r_.body = QByteArray();
        r_.sha256.clear();
        const qint64 there = touched_ ? r_.fileSize : (continuing_ ? request_.continueFrom : 0);
        if ((touched_ || continuing_) && !isFileFault(*failure) && there > kKeepPartialAbove) {
            r_.partialKept = true;
            r_.fileSize = there;
            r_.temporaryFile = temporaryFile;
            TemporaryFiles::keep(partNative_, true);
        } else if (touched_ || continuing_) {
            QFile::remove(partNative_);
            TemporaryFiles::forget(partNative_);
            r_.fileSize = 0;
        }
    } else if (touched_ && memoryOnly_) {
        // Whole, in memory alone: nothing on the disk.
        r_.sha256 = hash_.result();
        r_.inMemory = true;
    } else if (touched_) {
        r_.temporaryFile = temporaryFile;
        r_.sha256 = hash_.result();
        r_.inMemory = wantedInMemory_ && !r_.tooLargeToRead;
        if (!r_.inMemory)
            r_.body = QByteArray();
        // Whole: it goes if the program ends before its caller takes it.
        TemporaryFiles::keep(partNative_, false);
    } else if (continuing_) {
        // Not a file (a 416, a 503...): the part there is left as it was, for the caller.
        r_.partialKept = true;
        r_.fileSize = request_.continueFrom;
        r_.temporaryFile = temporaryFile;
    }
}
