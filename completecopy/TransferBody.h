#pragma once
#include "completecopy/Sha256.h"
#include "completecopy/TransferScheduler.h"
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// A failure numbered as the transfer component or the file layer numbers it, with
// its description.
inline RunError numberedFailure(int number) {
    return RunError(number, ErrorCodes::descrizione(number));
}

// The body of one transfer as it goes to the disk: the temporary file beside the file
// it is meant for, written from the start or after the part already there, the hash
// of the whole file, and for a page or stylesheet a copy in memory within the cap.
// Once the transfer is over the file is handed to the caller, kept to be continued,
// or removed. Everything lands in the transfer's result.
class TransferBody {
public:
    using Request = TransferScheduler::Request;
    using Result = TransferScheduler::Result;
    // A header of the answer by its name: its value, empty when absent.
    using Header = std::function<QByteArray(const char* name)>;

    // Both must outlive the body.
    TransferBody(const Request& request, Result& result);
    ~TransferBody();
    TransferBody(const TransferBody&) = delete;
    TransferBody& operator=(const TransferBody&) = delete;

    // Before the request goes: the part already there is continued when it can be,
    // else it goes.
    void prepare();
    bool continuing() const { return continuing_; }
    // What asks for the rest of the part (Range, If-Range); empty unless continuing.
    QList<QByteArray> rangeHeaders() const;

    // The answer is a file and its body begins (or it has none): the temporary file
    // opens, and the part already there counts when the answer continues it. False
    // when that cannot be done (failure() says why).
    bool begin(const Header& header);
    // False when the bytes could not be written (failure() says why).
    bool write(const char* data, qint64 size);
    // The file is known to go past kKeepPartialAbove: its announced length says so,
    // or its bytes have.
    bool isLarge() const;
    // Closes the file; a last write that fails as it closes is a failure too.
    void close();

    // The reason of ours the transfer was stopped for (the file, a wrong range).
    const std::optional<RunError>& failure() const { return failure_; }

    // The transfer is over, with this failure or none, and the file closed: it is
    // given to the caller, kept to be continued, or removed.
    void finish(const std::optional<RunError>& failure);

private:
    // Opens the temporary file, already bytes of it there to be kept; false (failure_
    // set) when it cannot be.
    bool openFile(qint64 already);

    const Request& request_;
    Result& r_;
    const QString partNative_;   // the temporary file, on the disk
    bool continuing_ = false;    // a Range went out for the part already there
    bool touched_ = false;       // this answer's body was written over or after that part
    bool wantedInMemory_ = false;
    bool memoryOnly_ = false;    // a small page's body, not written to the disk (yet)
    qint64 announced_ = -1;      // the whole file as the answer's length tells, -1 unknown
    std::unique_ptr<QFile> file_;
    Sha256 hash_;
    std::optional<RunError> failure_;
};
