// Figures for the archive's read paths, each against a raw sequential read of
// the same file in the same run:
//   bench_archive [records...]        (default: 100000 10000)
// Prints milliseconds (best of five) and the ratio to the raw read.
#include "appointments/appointmentrules.h"
#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/texts.h"
#include "ui/linelist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Today(2025, 3, 10);

// One record in twenty is a commitment due today; half of the others are
// fulfilled, the rest lie years ahead.
void generate(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        AppointmentRecord r;
        const bool due = i % 20 == 0;
        const bool fulfilled = !due && i % 2 == 1;
        const int day = 1 + i % 28, month = 1 + (i / 28) % 12;
        const int year = due || fulfilled ? 2020 + i % 5 : 2031;
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
        r.setText(AppointmentField::place, i % 7 ? u"Milano, corso Buenos Aires 3"_s : u"Roma, via del Corso 1"_s);
        r.setText(AppointmentField::amount, u"%1,50"_s.arg(i % 1000));
        r.setText(AppointmentField::notes, i % 5 ? QString() : u"Nota di esempio"_s);
        r.setFlag(AppointmentField::fulfilled, fulfilled);
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

volatile qint64 sink = 0;

void measure(const QString& folder, int records)
{
    const QString path = folder + u"/Archivio_Appuntamenti.qzv"_s;
    generate(path, records);
    std::printf("\narchive: %d records, %.1f MB\n", records, QFile(path).size() / 1e6);

    const double raw = bestOf(5, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QByteArray block(1 << 20, '\0');
        qint64 n, total = 0;
        while ((n = f.read(block.data(), block.size())) > 0)
            total += n + block[0];
        sink = sink + total;
    });
    std::printf("raw sequential read:             %8.1f ms\n", raw);
    const auto report = [raw](const char* what, double ms, const char* note = "") {
        std::printf("%-32s %8.1f ms  (%.2f x raw)%s\n", what, ms, ms / raw, note);
    };

    report("read all, no decoding:", bestOf(5, [&] {
               qint64 total = 0;
               archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) { total += bytes[0]; });
               sink = sink + total;
           }));
    report("read all, every field:", bestOf(5, [&] {
               qint64 total = 0;
               archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
                   const AppointmentView r(bytes);
                   for (int f = 0; f < AppointmentRecord::FieldCount; ++f)
                       total += r.text(AppointmentField(f)).size();
               });
               sink = sink + total;
           }),
           "  new strings per field");
    report("read all, every field:", bestOf(5, [&] {
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
           }),
           "  strings reused across records");

    // The agenda's show: the pass, the lines, one sort, the list filled.
    QListView view;
    ui::LineList agendaList(&view, lists::LineOrder::Text, 14);
    qsizetype due = 0;
    report("agenda show:", bestOf(5, [&] {
               auto pass = appointments::dueRows(path, Today);
               due = pass.rows.size();
               agendaList.setRows(std::move(pass.rows));
           }));
    std::printf("  (%lld due commitments listed)\n", static_cast<long long>(due));

    QListView searchView;
    ui::LineList searchList(&searchView, lists::LineOrder::Text, 12);
    lists::Criteria<records::AppointmentLayout> criteria;
    criteria.add(AppointmentField::contact, u"rossi mario 1"_s);
    criteria.add(AppointmentField::place, u"ROMA"_s);
    qsizetype found = 0;
    report("search, two criteria:", bestOf(5, [&] {
               auto rows = lists::collectRows<records::AppointmentLayout>(
                   path, [&](const AppointmentView& r) { return criteria.matches(r); }, appointments::listLine);
               found = rows.size();
               searchList.setRows(std::move(rows));
           }));
    std::printf("  (%lld records found)\n", static_cast<long long>(found));
    QFile::remove(path);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {100000, 10000};
    QTemporaryDir tmp;
    for (int records : sizes)
        measure(tmp.path(), records);
    return sink == -1;
}
