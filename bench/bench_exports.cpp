// Figures for the archive export, against the raw sequential read of the same
// archive and a plain write of the same number of bytes, measured in the same
// run:
//   bench_exports [records]        (default: 100000)
// Prints milliseconds (first run, then best of five) and the ratios, and the
// process's peak memory with the grid shown and after the file is written.
#include "benchsupport.h"

#include "appointments/appointmentexports.h"
#include "storage/programfolder.h"
#include "ui/services.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

volatile qint64 sink = 0;

std::unique_ptr<ui::ExportScreen> showExport()
{
    return bench::showExport(appointments::archiveExport());
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir folder;
    programFolder::setOverride(folder.path());
    // The export's first question answered Yes, the offer to open the file No.
    int question = 0;
    ui::messages::setHandler([&question](ui::MessageKind, const QString&) {
        return question++ % 2 == 0 ? ui::Answer::Yes : ui::Answer::No;
    });
    ui::desktop::setHandler([](const QString&) {});

    const QString archive = programFolder::file(programFolder::Appointments);
    bench::generate(archive, records);
    std::printf("archive: %d records, %.1f MB; peak memory before the export %.1f MB\n", records,
        QFile(archive).size() / 1e6, bench::peakMegabytes());

    const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(archive); });
    std::printf("raw sequential read:           %8.1f ms\n", raw);

    const double decode
        = bench::bestOf(5, [&] { sink = sink + appointments::archiveTable().read(archive).grid.rowCount(); });
    std::printf("rows read into the grid:       %8.1f ms  (%.2f x raw)\n", decode, decode / raw);

    QElapsedTimer first;
    first.start();
    showExport();
    const double firstShow = first.nsecsElapsed() / 1e6;
    const double show = bench::bestOf(5, [] { showExport(); });
    std::printf("grid shown (first screen of the process): %.1f ms  (%.2f x raw)\n", firstShow, firstShow / raw);
    std::printf("grid shown (best of five):     %8.1f ms  (%.2f x raw; target 10)\n", show, show / raw);

    const std::unique_ptr<ui::ExportScreen> screen = showExport();
    const double shownPeak = bench::peakMegabytes();
    std::printf("peak memory, grid shown:       %8.1f MB  (target 200)\n", shownPeak);

    const QString exported = programFolder::file(u"Riepilogo_Appuntamenti.xls"_s);
    const QString plain = programFolder::file(u"plain.bin"_s);
    screen->cmdEsportaClick();
    const qint64 bytes = QFile(exported).size();
    double write = 1e30, plainBest = 1e30;
    for (int i = 0; i < 5; ++i) {
        plainBest = std::min(plainBest, bench::bestOf(1, [&] { bench::plainWrite(plain, bytes); }));
        write = std::min(write, bench::bestOf(1, [&] { screen->cmdEsportaClick(); }));
    }
    if (QFile(exported).size() != bytes)
        qFatal("the export changed size between runs");
    std::printf("file: %.1f MB\n", bytes / 1e6);
    std::printf("plain write + fdatasync:       %8.1f ms\n", plainBest);
    std::printf("export written:                %8.1f ms  (%.2f x plain write; target 2)\n", write, write / plainBest);
    std::printf("peak memory, file written:     %8.1f MB\n", bench::peakMegabytes());
    return sink == -1;
}
