// The backup, the archive check and the restore of a program folder,
// against copying, tar | sha256sum and zip -1 of the same files in the same
// run:
//   bench_backup [--attachments MB] [records...]   (default: 100000 1000000)
// For each size: a raw sequential read of the archive, a plain copy of the
// files synced to the disk, tar | sha256sum and zip -1 of the folder, the
// backup (synced too, with its size against zip -1's), the check and the
// restore, each with the ratio to the copy; the longest wait of a save that
// another workstation makes while a backup runs; then the peak memory of the
// backup and of the check, each run in a process of its own, so that a peak
// that grows with the archive shows between the two sizes. The attachments
// are incompressible files (as PDFs and pictures are).
#include "benchsupport.h"

#include "backup/archivecheck.h"
#include "backup/backuprules.h"
#include "storage/archivefile.h"
#include "storage/records.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

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

// Milliseconds of a shell command's run; fatal when it fails.
double shell(const QString& command)
{
    return bench::bestOf(1, [&] {
        QProcess p;
        p.start(u"bash"_s, { u"-c"_s, command });
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            qFatal("%s failed: %s", qPrintable(command), p.readAllStandardError().constData());
    });
}

void measure(int records, int attachmentMegabytes)
{
    QTemporaryDir home, target, copies;
    const QString archive = QDir(home.path()).filePath(u"Archivio_Appuntamenti.qzv"_s);
    bench::generate(archive, records);
    const QString store = QDir(home.path()).filePath(u"unins000.dll"_s);
    bench::plainWrite(store, 40);
    const QString attachments = QDir(home.path()).filePath(u"Documenti_Allegati"_s);
    QDir().mkpath(attachments);
    QRandomGenerator random(42);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int mb = 0; mb < attachmentMegabytes; mb += 16) {
        QFile file(QDir(attachments).filePath(u"scansione %1.pdf"_s.arg(mb / 16)));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the attachments");
        for (int i = 0; i < 16 && mb + i < attachmentMegabytes; ++i) {
            random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
            file.write(block);
        }
    }
    std::printf(
        "\n%d appointments, %.1f MB; attachments %d MB\n", records, QFile(archive).size() / 1e6, attachmentMegabytes);

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
    const QString zipped = QDir(copies.path()).filePath(u"zip1.zip"_s);
    report("tar | sha256sum:", shell(u"tar -C '%1' -cf - . | sha256sum > /dev/null"_s.arg(home.path())));
    report("zip -1:", shell(u"cd '%1' && rm -f '%2' && zip -1 -q -r '%2' . && sync '%2'"_s.arg(home.path(), zipped)));
    int round = 0;
    QString made;
    report("backup:", bench::bestOf(3, [&] {
        const backup::Result result = backup::makeBackup(
            home.path(), target.path(), 1, QDateTime(QDate(2025, 3, 10), QTime(9, 0)).addSecs(++round));
        if (!result.ok())
            qFatal("%s", qPrintable(result.message));
        made = result.file;
    }));
    std::printf("backup size:              %9.1f MB  (zip -1: %.1f MB)\n", QFileInfo(made).size() / 1e6,
        QFileInfo(zipped).size() / 1e6);
    report("check:", bench::bestOf(3, [&] {
        const backup::check::Report r = backup::check::run(home.path());
        sink = sink + r.archives[0].records;
    }));
    report("restore:", bench::bestOf(1, [&] {
        QTemporaryDir elsewhere;
        const backup::Result result
            = backup::restore(elsewhere.path(), made, QDateTime(QDate(2025, 3, 11), QTime(9, 0)));
        if (!result.ok())
            qFatal("%s", qPrintable(result.message));
    }));

    // Another workstation saving while a backup runs: its longest wait.
    std::atomic<bool> running { true };
    double longest = 0;
    int saves = 0;
    std::thread saver([&] {
        AppointmentRecord r;
        r.setText(AppointmentField::purpose, u"salvata durante la copia"_s);
        while (running) {
            QElapsedTimer timer;
            timer.start();
            archive::append(archive, AppointmentRecord::Size, r.data());
            longest = std::max(longest, timer.nsecsElapsed() / 1e6);
            ++saves;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const backup::Result during
        = backup::makeBackup(home.path(), target.path(), 1, QDateTime(QDate(2025, 3, 12), QTime(9, 0)));
    running = false;
    saver.join();
    if (!during.ok())
        qFatal("%s", qPrintable(during.message));
    std::printf("longest save wait during a backup: %.1f ms (%d saves)\n", longest, saves);
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
    int attachmentMegabytes = 0;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--attachments"_s && i + 1 < arguments.size())
            attachmentMegabytes = arguments[++i].toInt();
        else
            sizes << arguments[i].toInt();
    }
    if (sizes.isEmpty())
        sizes = { 100000, 1000000 };
    for (int records : sizes)
        measure(records, attachmentMegabytes);
    return 0;
}
