// A second copy of the program at work on an archive, for the killed-save
// tests:
//   archive_worker churn PATH SEED   appends and rewrites records without
//                                    end, telling each write once it is done:
//                                    "A position generation" or "R ...".
//   archive_worker tear PATH POSITION  rewrites the record at POSITION (or
//                                    appends, one past the last) and is
//                                    killed half way through its bytes.
//   archive_worker hold PATH POSITION  rewrites the record at POSITION, stops
//                                    half way through its bytes, tells "H"
//                                    and waits to be killed.
//   archive_worker once PATH POSITION  rewrites the record at POSITION with
//                                    its next generation and ends.
//   archive_worker limit PATH BYTES  as the program starts, then appends
//                                    under a file-size limit of BYTES until
//                                    an append fails (exit code 1).
// A fifth argument "nolocks" makes the file system refuse byte-range locks.
#include "churn.h"

#include "storage/archivefile.h"
#include "storage/safefiles.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void tell(char kind, qint64 position, int generation)
{
    const QByteArray line
        = QByteArray(1, kind) + ' ' + QByteArray::number(position) + ' ' + QByteArray::number(generation) + '\n';
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
        std::_Exit(3);
}

int generationAt(const QString& path, qint64 position)
{
    AppointmentRecord r;
    archive::readAt(path, AppointmentRecord::Size, position, r.data());
    const auto tag = churn::tag(r.data());
    if (!tag || tag->first != position)
        std::_Exit(4); // a record that is not whole: the test fails on the exit code
    return tag->second;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4 && argc != 5)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const qint64 number = QByteArray(argv[3]).toLongLong();
    constexpr int Size = AppointmentRecord::Size;
    if (argc == 5 && QByteArray(argv[4]) == "nolocks")
        ArchiveFile::setLockCall([](int, struct flock*) {
            errno = ENOLCK;
            return -1;
        });
    try {
        if (mode == QStringLiteral("hold")) {
            ArchiveFile::setWriteCall([](int fd, const char* bytes, size_t size, off_t offset) -> ssize_t {
                if (::pwrite(fd, bytes, size / 2, offset) < 0)
                    std::_Exit(5);
                tell('H', 0, 0);
                for (;;)
                    ::pause();
            });
            archive::rewriteAt(path, Size, number, churn::record(number, generationAt(path, number) + 1).data());
            return 6; // never reached
        }
        if (mode == QStringLiteral("once")) {
            const int generation = generationAt(path, number) + 1;
            archive::rewriteAt(path, Size, number, churn::record(number, generation).data());
            tell('R', number, generation);
            return 0;
        }
        if (mode == QStringLiteral("limit")) {
            safefiles::prepareProcess();
            const struct rlimit limit {
                rlim_t(number), rlim_t(number)
            };
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 7;
            for (int i = 1; i <= 1000; ++i)
                archive::append(path, Size, churn::record(i, 0).data());
            return 0;
        }
        if (mode == QStringLiteral("tear")) {
            ArchiveFile::setWriteCall([](int fd, const char* bytes, size_t size, off_t offset) -> ssize_t {
                if (::pwrite(fd, bytes, size / 2, offset) < 0)
                    std::_Exit(5);
                std::raise(SIGKILL);
                return -1;
            });
            const qint64 count = archive::count(path, Size);
            if (number > count)
                archive::append(path, Size, churn::record(count + 1, 0).data());
            else
                archive::rewriteAt(path, Size, number, churn::record(number, generationAt(path, number) + 1).data());
            return 6; // never reached
        }
        QRandomGenerator random { quint32(number) };
        tell('S', 0, 0); // started
        for (;;) {
            const qint64 count = archive::count(path, Size);
            if (count < 20 || random.bounded(3) == 0) {
                archive::append(path, Size, churn::record(count + 1, 0).data());
                tell('A', count + 1, 0);
            } else {
                const qint64 position = 1 + random.bounded(int(count));
                const int generation = generationAt(path, position) + 1;
                archive::rewriteAt(path, Size, position, churn::record(position, generation).data());
                tell('R', position, generation);
            }
        }
    } catch (const AccessFailure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
}
