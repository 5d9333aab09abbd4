// Figures for the archive's read paths, each against a raw sequential read of
// the same file in the same run:
//   bench_archive [records] [folder]
// Prints milliseconds (best of five) and the ratio to the raw read.
#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/texts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

void generate(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        AppointmentRecord r;
        const int day = 1 + i % 28, month = 1 + (i / 28) % 12, year = 2020 + i % 7;
        r.setText(AppointmentField::date, texts::formatDate(QDate(year, month, day)));
        r.setText(AppointmentField::hour, u"%1"_s.arg(i % 24, 2, 10, QChar(u'0')));
        r.setText(AppointmentField::minute, u"%1"_s.arg(i % 60, 2, 10, QChar(u'0')));
        r.setText(AppointmentField::time, texts::formatTime(i % 24, i % 60));
        r.setText(AppointmentField::noticeDays, QString::number(i % 15));
        r.setText(AppointmentField::commitmentType, u"Riunione"_s);
        r.setText(AppointmentField::purpose, u"Verifica contratto di fornitura n. %1 con il cliente"_s.arg(i));
        r.setText(AppointmentField::details, i % 3 ? QString() : u"Portare la documentazione già firmata"_s);
        r.setText(AppointmentField::contact, u"Rossi Mario %1"_s.arg(i % 500));
        r.setText(AppointmentField::phone, u"06 1234567"_s);
        r.setText(AppointmentField::mobile, u"333 1234567"_s);
        r.setText(AppointmentField::email, u"mario.rossi@example.it"_s);
        r.setText(AppointmentField::place, u"Roma, via del Corso 1"_s);
        r.setText(AppointmentField::amount, u"%1,50"_s.arg(i % 1000));
        r.setText(AppointmentField::notes, i % 5 ? QString() : u"Nota di esempio"_s);
        r.setFlag(AppointmentField::fulfilled, i % 4 == 0);
        chunk.append(r.data(), AppointmentRecord::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir tmp;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tmp.path();
    const QString path = folder + u"/Archivio_Appuntamenti.qzv"_s;
    generate(path, records);
    std::printf("archive: %d records, %.1f MB\n", records, QFile(path).size() / 1e6);

    volatile qint64 sink = 0;
    const double raw = bestOf(5, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QByteArray block(1 << 20, '\0');
        qint64 n, total = 0;
        while ((n = f.read(block.data(), block.size())) > 0)
            total += n + block[0];
        sink = sink + total;
    });
    std::printf("raw sequential read:        %8.1f ms\n", raw);

    const double walk = bestOf(5, [&] {
        qint64 total = 0;
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) { total += bytes[0]; });
        sink = sink + total;
    });
    std::printf("read all, no decoding:      %8.1f ms  (%.2f x raw)\n", walk, walk / raw);

    const double decode = bestOf(5, [&] {
        qint64 total = 0;
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
            const AppointmentView r(bytes);
            for (int f = 0; f < AppointmentRecord::FieldCount; ++f)
                total += r.text(AppointmentField(f)).size();
        });
        sink = sink + total;
    });
    std::printf("read all, every field:      %8.1f ms  (%.2f x raw)  new strings per field\n", decode, decode / raw);

    const double reuse = bestOf(5, [&] {
        qint64 total = 0;
        std::array<QString, AppointmentRecord::FieldCount> fields;
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
            const AppointmentView r(bytes);
            for (int f = 0; f < AppointmentRecord::FieldCount; ++f) {
                r.textInto(AppointmentField(f), fields[f]);
                total += fields[f].size();
            }
        });
        sink = sink + total;
    });
    std::printf("read all, every field:      %8.1f ms  (%.2f x raw)  strings reused across records\n", reuse, reuse / raw);
    return sink == -1;
}
