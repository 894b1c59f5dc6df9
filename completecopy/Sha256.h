#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

// The SHA-256 of bytes given a piece at a time, through OpenSSL (which uses the
// processor's own instructions for it where there are any: a large file hashed as it
// arrives costs a fraction of its transfer).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void reset();
    void add(QByteArrayView bytes);
    // The hash of what was added (32 bytes); the hash starts again after it.
    QByteArray result();

    // The hash of a file's bytes read a part at a time; empty when it cannot be read.
    static QByteArray ofFile(const QString& diskPath);

private:
    struct Context;
    std::unique_ptr<Context> d;
};
