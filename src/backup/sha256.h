#pragma once
// SHA-256 of the files a backup holds, through OpenSSL's libcrypto: it uses
// the processor's SHA instructions where there are any, several times the
// speed of QCryptographicHash in Qt 6.4, which would make the hashing, and
// not the disk, the measure of a backup.

#include <QByteArray>

#include <memory>

namespace backup {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void reset();
    void addData(const char* bytes, qint64 size);
    // The digest in lower-case hexadecimal; the hash starts again after it.
    QByteArray hexResult();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace backup
