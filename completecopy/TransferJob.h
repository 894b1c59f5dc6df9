#pragma once
#include "completecopy/TransferBody.h"
#include "completecopy/TransferScheduler.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <curl/curl.h>

#include <optional>

// One request, from its place in the queue to its result: its curl handle, the
// answer's headers as they come, and its body. Only the last response counts (after
// an authentication round, a proxy's tunnel or an interim 1xx).
struct TransferJob {
    using Request = TransferScheduler::Request;
    using Result = TransferScheduler::Result;

    // What a running transfer tells its scheduler. Called from inside curl's
    // callbacks: nothing here may add or remove a handle.
    struct Owner {
        // Body bytes arrived (of any answer).
        virtual void bodyArriving(TransferJob& job, qint64 bytes) = 0;
        // The file is known to be large (once per transfer).
        virtual void bodyIsLarge(TransferJob& job) = 0;

    protected:
        ~Owner() = default;
    };

    TransferJob(Owner& owner, const Request& request, TransferScheduler::Done done, quint64 id);
    ~TransferJob();
    TransferJob(const TransferJob&) = delete;
    TransferJob& operator=(const TransferJob&) = delete;

    // Readies the part to continue and makes the curl handle with the settings as they
    // stand. pipeWait: the server speaks HTTP/2, the transfer may wait for a
    // connection to it. False when curl cannot make one.
    bool prepare(const Inet& settings, bool pipeWait);
    void freeHandle();

    // The failure curl's code means for this transfer; a failure of ours first.
    std::optional<RunError> failureFor(CURLcode code) const;
    // The transfer is over with this failure or none: the body settled, the result whole.
    void finish(std::optional<RunError> failure);
    // The result as it stands, with the answer's headers and the temporary file.
    Result largeBodyNotice() const;

    QByteArray header(const char* name) const;

    Owner& owner;
    Request request;
    TransferScheduler::Done done;
    Result result;
    TransferBody body;  // writes into result

    const QString origin;       // scheme, server and port asked for
    bool protocolSeen = false;  // the origin's HTTP version has been noted
    CURL* easy = nullptr;

    bool requestSent = false;
    QElapsedTimer sinceActivity;  // since the transfer started, the request went out or a byte came

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* user);
    static size_t onBody(char* data, size_t size, size_t count, void* user);
    static int onRequestSent(void* user, char*, char*, int, int);
    bool beginBody();
    void noticeIfLarge();
    void fillHeaders(Result& r) const;

    curl_slist* headerList_ = nullptr;
    QList<QByteArray> headerLines_;
    bool bodyBegun_ = false;     // the body of the final answer has begun (or there is none)
    bool isFile_ = false;        // that answer is a file: 2xx (or an ftp transfer)
    bool largeNoticed_ = false;
};
