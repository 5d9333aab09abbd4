#include "backup/sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace backup {

struct Sha256::Impl {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~Impl() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256()
    : d(new Impl)
{
    if (!d->context)
        throw std::bad_alloc();
    reset();
}

Sha256::~Sha256() = default;

void Sha256::reset()
{
    EVP_DigestInit_ex(d->context, EVP_sha256(), nullptr);
}

void Sha256::addData(const char* bytes, qint64 size)
{
    EVP_DigestUpdate(d->context, bytes, size_t(size));
}

QByteArray Sha256::hexResult()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(d->context, digest, &length);
    reset();
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

} // namespace backup
