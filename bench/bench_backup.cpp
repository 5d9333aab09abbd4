// The backup and the archive check of a program folder, against copying the
// same files in the same run:
//   bench_backup [records...]        (default: 100000 1000000)
// For each size: a raw sequential read of the archive, a plain copy of the
// files synced to the disk, the backup (synced too) and the check, each with
// the ratio to the copy; then the peak memory of the backup and of the check,
// each run in a process of its own, so that a peak that grows with the
// archive shows between the two sizes.
#include "benchsupport.h"

#include "backup/archivecheck.h"
#include "backup/backuprules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

volatile qint64 sink = 0;

// A copy of `from` into `to` in blocks of one megabyte, synced to the disk.
void plainCopy(const QString& from, const QString& to)
{
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot copy %s", qPrintable(from));
    QByteArray block(1 << 20, '\0');
    qint64 n;
    while ((n = in.read(block.data(), block.size())) > 0)
        out.write(block.constData(), n);
    out.flush();
    ::fsync(out.handle());
}

// Runs one piece of work in a child process and returns its peak memory.
double childPeak(const QStringList& arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        qFatal("child %s failed: %s", qPrintable(arguments.join(u' ')), child.readAllStandardError().constData());
    return child.readAllStandardOutput().trimmed().toDouble();
}

void measure(int records)
{
    QTemporaryDir home, target, copies;
    const QString archive = QDir(home.path()).filePath(u"Archivio_Appuntamenti.qzv"_s);
    bench::generate(archive, records);
    const QString store = QDir(home.path()).filePath(u"unins000.dll"_s);
    bench::plainWrite(store, 40);
    std::printf("\n%d appointments, %.1f MB\n", records, QFile(archive).size() / 1e6);

    const double raw = bench::bestOf(3, [&] { sink = sink + bench::rawRead(archive); });
    const double copy = bench::bestOf(3, [&] {
        plainCopy(archive, QDir(copies.path()).filePath(u"a"_s));
        plainCopy(store, QDir(copies.path()).filePath(u"b"_s));
    });
    std::printf("raw sequential read:      %9.1f ms\n", raw);
    std::printf("copy of the files, synced: %8.1f ms\n", copy);
    const auto report = [&](const char* what, double ms) {
        std::printf("%-26s %8.1f ms  (%.2f x copy, %.2f x raw read)\n", what, ms, ms / copy, ms / raw);
    };
    int round = 0;
    report("backup:", bench::bestOf(3, [&] {
        const backup::Result result = backup::makeBackup(
            home.path(), target.path(), 1, QDateTime(QDate(2025, 3, 10), QTime(9, 0)).addSecs(++round));
        if (!result.ok())
            qFatal("%s", qPrintable(result.message));
    }));
    report("check:", bench::bestOf(3, [&] {
        const backup::check::Report r = backup::check::run(home.path());
        sink = sink + r.archives[0].records;
    }));
    std::printf(
        "peak memory, backup:       %8.1f MB\n", childPeak({ u"--child"_s, u"backup"_s, home.path(), target.path() }));
    std::printf("peak memory, check:        %8.1f MB\n", childPeak({ u"--child"_s, u"check"_s, home.path() }));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() >= 4 && arguments[1] == u"--child"_s) {
        if (arguments[2] == u"backup"_s)
            backup::makeBackup(arguments[3], arguments[4], 1, QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        else
            sink = sink + backup::check::run(arguments[3]).archives[0].records;
        std::printf("%.1f\n", bench::peakMegabytes());
        return 0;
    }
    QList<int> sizes;
    for (int i = 1; i < arguments.size(); ++i)
        sizes << arguments[i].toInt();
    if (sizes.isEmpty())
        sizes = { 100000, 1000000 };
    for (int records : sizes)
        measure(records);
    return 0;
}
