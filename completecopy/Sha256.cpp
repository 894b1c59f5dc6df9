#include "completecopy/Sha256.h"

#include <QFile>
#include <openssl/evp.h>

struct Sha256::Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : d(std::make_unique<Context>()) {
    reset();
}

Sha256::~Sha256() = default;

void Sha256::reset() {
    EVP_DigestInit_ex(d->ctx, EVP_sha256(), nullptr);
}

void Sha256::add(QByteArrayView bytes) {
    if (!bytes.isEmpty())
        EVP_DigestUpdate(d->ctx, bytes.data(), size_t(bytes.size()));
}

QByteArray Sha256::result() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(d->ctx, digest, &length);
    reset();
    return QByteArray(reinterpret_cast<const char*>(digest), int(length));
}

QByteArray Sha256::ofFile(const QString& diskPath) {
    QFile f(diskPath);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    Sha256 hash;
    for (;;) {
        const QByteArray block = f.read(1024 * 1024);
        if (block.isEmpty())
            break;
        hash.add(block);
    }
    return f.error() == QFileDevice::NoError ? hash.result() : QByteArray();
}
