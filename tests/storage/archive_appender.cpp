// Appends records to an archive as fast as it can: used by the tests of
// copies of the program appending to one archive at the same time, with
// "nolocks" as a fourth argument on a file system that refuses byte-range locks.
#include "storage/archivefile.h"
#include "storage/records.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 5)
        return 2;
    // "nolocks": the file system refuses byte-range locks.
    if (argc == 5 && QByteArray(argv[4]) == "nolocks")
        ArchiveFile::setLockCall([](int, struct flock*) {
            errno = ENOLCK;
            return -1;
        });
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    try {
        for (int i = 0; i < count; ++i) {
            AppointmentRecord r;
            r.setText(AppointmentField::purpose, QStringLiteral("%1-%2").arg(tag).arg(i));
            r.setText(AppointmentField::notes, QString(250, QLatin1Char(tag.at(0).toLatin1())));
            r.setFlag(AppointmentField::fulfilled, false);
            archive::append(path, AppointmentRecord::Size, r.data());
        }
    } catch (const AccessFailure& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
