#pragma once
#include "fs/RunError.h"
#include "net/Inet.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The transfers of a complete copy, several at once on one set of kept-alive
// connections, run by the window's event loop: they go on while the caller waits in
// an event loop of its own or the window handles its events. Bodies are written to
// the disk as they arrive, beside the file they are for; the caller decides what
// becomes of them once the result is in.
//
// Every transfer takes the settings of the transfer component given (user name,
// password, proxy, port, time limits) as they stand when it starts, and follows no
// redirect. Results, and the notices that a body is large, are handed to the
// request's callbacks from the event loop, never from inside start() or cancelAll();
// each result once.
class TransferScheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 16;
    static constexpr qint64 kDefaultMemoryCap = 64LL * 1024 * 1024;
    // A transfer cut with more than this in its file keeps the file to be continued.
    static constexpr qint64 kKeepPartialAbove = 1024 * 1024;
    // What is kept of the body of an answer that is not a file (an error page).
    static constexpr int kAnswerTextKept = 4096;

    struct Result;

    struct Request {
        QString address;                // http, https or ftp, already fully encoded
        Inet::RequestHeaders headers;   // conditions and the like
        QString bodyFile;               // program path the body is meant for
        qint64 memoryCap = kDefaultMemoryCap;
        // A page's or stylesheet's body of at most kKeepPartialAbove bytes is kept in
        // memory only: no temporary file (the caller writes what it makes of it). A
        // longer one goes to the temporary file as any body does.
        bool smallPagesInMemoryOnly = false;
        // > 0: the temporary file already holds this many bytes of the body, to be
        // continued if the server still has the same file (continueValidator: its
        // strong ETag or its Last-Modified, sent as If-Range). Without a validator, or
        // with a temporary file shorter than that, the body is asked for whole.
        qint64 continueFrom = 0;
        QByteArray continueValidator;
        // Called once when the body of an answer that is a file (2xx, or ftp) is known to
        // go past kKeepPartialAbove: its announced length (with the part it continues)
        // says so as it begins, or its bytes pass the mark. The result then has the answer's status and headers, the
        // temporary file and the bytes so far (rangeValidator() usable), so that the
        // caller can note what to continue the file under before anything cuts the
        // transfer. Handed over like results, always before the transfer's own.
        std::function<void(const Result&)> onLargeBody;
    };

    struct Result {
        quint64 id = 0;
        QString address;
        // Set when the transfer failed: no answer, or an answer cut short. The numbers
        // are the transfer component's (refused, timed out, cut, cancelled...), or the
        // file layer's when the body could not be written.
        std::optional<RunError> failure;

        int status = 0;  // the HTTP status; 0 for ftp
        QByteArray reason;
        QByteArray contentType;  // header values as sent, empty when absent
        QByteArray location;
        QByteArray lastModified;
        QByteArray etag;
        QByteArray retryAfter;
        QByteArray contentRange;
        qint64 contentLength = -1;  // -1 when not announced

        // The temporary file (program path) holding the body of a 2xx answer, whole,
        // or what was kept of a cut one (partialKept); empty when there is none (a
        // small page kept in memory only). It
        // is the caller's: putInPlace() or discard() it.
        QString temporaryFile;
        qint64 fileSize = 0;
        QByteArray sha256;        // of the whole file (a continued one too), for a 2xx answer
        bool continued = false;   // a 206 was added to the part already there
        bool partialKept = false; // cut (or not a file), the part there kept to be continued

        // A page's or stylesheet's body (text/html, application/xhtml+xml, text/css or
        // no type) within the memory cap; past it only the file has it.
        QByteArray body;
        bool inMemory = false;
        bool tooLargeToRead = false;

        // The start of the body of an answer that is not a file (kAnswerTextKept bytes).
        QByteArray answerText;

        // What to send as continueValidator to continue this file: the ETag unless it
        // is weak, else Last-Modified.
        QByteArray rangeValidator() const;
    };
    using Done = std::function<void(const Result&)>;

    struct Counters {
        int started = 0;          // transfers that went out
        int mostInFlight = 0;     // the most running at once
        qint64 bytesReceived = 0; // body bytes, of every answer
    };

    // settings is read as each transfer starts: it must outlive the scheduler.
    explicit TransferScheduler(const Inet& settings, QObject* parent = nullptr);
    // Transfers still running are stopped without a result; their temporary files
    // go as on cancelAll().
    ~TransferScheduler() override;

    // At most this many transfers at once (1 to 16); those asked for beyond wait their
    // turn in the order given.
    void setConnections(int n);
    int connections() const;
    // While > 0, one transfer at a time, each starting this long after the last ended.
    void setPause(int milliseconds);
    int pause() const;

    // Queues the request, and starts it at once when its turn has come. Returns its id
    // (as in its result). first: it goes ahead of every request waiting its turn (those
    // asked for with first too), as the next step of a redirect.
    quint64 start(const Request& request, Done done, bool first = false);

    // Stops every transfer, running or waiting: each gets a result failing as cancelled.
    // Their temporary files are removed, but for the large parts kept to be continued.
    void cancelAll();

    // Nothing running, waiting, or with its result still to be handed over.
    bool isIdle() const;
    int running() const;
    int waiting() const;
    // Runs an event loop of its own until isIdle().
    void waitUntilIdle();

    Counters counters() const;

    // The temporary file a body meant for bodyFile is written to (program paths).
    static QString temporaryFileFor(const QString& bodyFile);
    // Renames the temporary file over bodyFile, giving it the time of its last change
    // when one is given. Raises RunError with the file layer's numbers.
    static void putInPlace(const QString& temporaryFile, const QString& bodyFile,
                           const QDateTime& modified = QDateTime());
    // Removes the temporary file.
    static void discard(const QString& temporaryFile);

signals:
    // isIdle() has become true (after the last result was handed over).
    void becameIdle();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
