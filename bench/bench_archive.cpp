// Figures for the archive's read paths, each against a raw sequential read of
// the same file in the same run:
//   bench_archive [records...]        (default: 100000 10000)
// Prints milliseconds (best of five) and the ratio to the raw read; then the
// period summaries on 100,000 appointments over five years, and their print
// to PDF at 10,000 and 100,000 lines.
#include "benchsupport.h"

#include "appointments/appointmentrules.h"
#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/texts.h"
#include "summaries/summaryrules.h"
#include "ui/linelist.h"
#include "ui/report.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Today(2025, 3, 10);

volatile qint64 sink = 0;

void measure(const QString& folder, int records)
{
    const QString path = folder + u"/Archivio_Appuntamenti.qzv"_s;
    bench::generate(path, records);
    std::printf("\narchive: %d records, %.1f MB\n", records, QFile(path).size() / 1e6);

    const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(path); });
    std::printf("raw sequential read:             %8.1f ms\n", raw);
    const auto report = [raw](const char* what, double ms, const char* note = "") {
        std::printf("%-32s %8.1f ms  (%.2f x raw)%s\n", what, ms, ms / raw, note);
    };

    report("read all, no decoding:", bench::bestOf(5, [&] {
        qint64 total = 0;
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) { total += bytes[0]; });
        sink = sink + total;
    }));
    report("read all, every field:",
        bench::bestOf(5,
            [&] {
                qint64 total = 0;
                archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
                    const AppointmentView r(bytes);
                    for (int f = 0; f < AppointmentRecord::FieldCount; ++f)
                        total += r.text(AppointmentField(f)).size();
                });
                sink = sink + total;
            }),
        "  new strings per field");
    report("read all, every field:",
        bench::bestOf(5,
            [&] {
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
    report("agenda show:", bench::bestOf(5, [&] {
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
    report("search, two criteria:", bench::bestOf(5, [&] {
        auto rows = lists::collectRows<records::AppointmentLayout>(
            path, [&](const AppointmentView& r) { return criteria.matches(r); }, appointments::listLine);
        found = rows.size();
        searchList.setRows(std::move(rows));
    }));
    std::printf("  (%lld records found)\n", static_cast<long long>(found));
    QFile::remove(path);
}

// A year's summary with its total, as the menu asks for it and the summary
// shows it (the pass, one sort, the list filled); then the summary's print.
void measureSummaries(const QString& folder)
{
    const QString path = folder + u"/Archivio_Appuntamenti.qzv"_s;
    const int records = 100000;
    bench::generate(path, records, true);
    std::printf("\nsummaries: %d records over five years, %.1f MB\n", records, QFile(path).size() / 1e6);
    const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(path); });
    std::printf("raw sequential read:             %8.1f ms\n", raw);

    QListView view;
    ui::LineList list(&view, lists::LineOrder::CaseFoldAZ, 12);
    const auto yearSummary = [&](const char* what, const QString& contact) {
        const summaries::Criteria criteria { contact, QString(), QDate(2022, 1, 1), QDate(2022, 12, 31) };
        qsizetype listed = 0;
        QString total;
        const double ms = bench::bestOf(5, [&] {
            summaries::Summary summary = summaries::summarise(path, criteria);
            listed = summary.rows.size();
            total = summary.total;
            list.setRows(std::move(summary.rows));
        });
        std::printf("%-32s %8.1f ms  (%.2f x raw)  %lld lines, total %s\n", what, ms, ms / raw,
            static_cast<long long>(listed), qPrintable(total));
    };
    yearSummary("one year, no filter:", QString());
    yearSummary("one year, contact filter:", u"rossi mario 1"_s);

    // The print of the summary: every line, the closing lines, written to PDF.
    const QString pdf = folder + u"/riepilogo.pdf"_s;
    report::printer::setPdfTarget(pdf);
    const summaries::Summary all
        = summaries::summarise(path, { QString(), QString(), QDate(2020, 1, 1), QDate(2024, 12, 31) });
    const QStringList closing
        = { u"- - - - - - - - - - - - - - - -"_s, u"INTERVALLO SELEZIONATO:    Dal   01/01/2020   al   31/12/2024"_s,
              u"TOTALE IMPORTI:            € "_s + all.total };
    double previous = 0;
    for (const int lines : { 10000, 100000 }) {
        lists::Rows first;
        for (qsizetype row = 0; row < lines && row < all.rows.size(); ++row)
            first.append(all.rows[row]);
        list.setRows(first);
        const double ms = bench::bestOf(lines > 10000 ? 2 : 3, [&] {
            if (!list.print(u"Riepilogo appuntamenti   -   Contatto:  - - -"_s, nullptr, closing))
                qFatal("the print failed");
        });
        std::printf("print, %6d lines:             %8.1f ms  (%.1f MB of PDF)", lines, ms, QFile(pdf).size() / 1e6);
        if (previous > 0)
            std::printf("  %.1f x the time of %d lines", ms / previous, lines / 10);
        std::printf("\n");
        previous = ms;
    }
    report::printer::setPdfTarget(QString());
    QFile::remove(pdf);
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
        sizes = { 100000, 10000 };
    QTemporaryDir tmp;
    for (int records : sizes)
        measure(tmp.path(), records);
    measureSummaries(tmp.path());
    return sink == -1;
}
