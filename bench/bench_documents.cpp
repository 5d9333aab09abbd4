// Figures for the documents register's two lists, each against a raw
// sequential read of the same file in the same run:
//   bench_documents [records...]        (default: 100000)
// 100,000 documents make an archive of 399 MB; one in ten is to complete.
// Prints milliseconds (best of five) and the ratio to the raw read.
#include "benchsupport.h"

#include "documents/documentrules.h"
#include "storage/listrows.h"
#include "storage/records.h"
#include "ui/linelist.h"

#include <QApplication>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using F = DocumentField;

namespace {

volatile qint64 sink = 0;

void measure(const QString& folder, int records)
{
    const QString path = folder + u"/Archivio_Documenti.qzv"_s;
    bench::generateDocuments(path, records);
    std::printf("\narchive: %d documents, %.1f MB\n", records, QFile(path).size() / 1e6);

    const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(path); });
    std::printf("raw sequential read:             %8.1f ms\n", raw);
    const auto report
        = [raw](const char* what, double ms) { std::printf("%-32s %8.1f ms  (%.2f x raw)\n", what, ms, ms / raw); };

    // The search as Cerca runs it: two criteria, the lines, one sort, the list filled.
    QListView searchView;
    ui::LineList searchList(&searchView, lists::LineOrder::Text, 12);
    lists::Criteria<records::DocumentLayout> criteria;
    criteria.add(F::producer, u"rossi mario 1"_s);
    criteria.add(F::subject, u"CONTRATTO"_s);
    qsizetype found = 0;
    report("search, two criteria:", bench::bestOf(5, [&] {
        auto rows = lists::collectRows<records::DocumentLayout>(
            path, [&](const DocumentView& r) { return criteria.matches(r); }, documents::listLine);
        found = rows.size();
        searchList.setRows(std::move(rows));
    }));
    std::printf("  (%lld documents found)\n", static_cast<long long>(found));

    // The documents to complete as the list screen shows them.
    QListView listView;
    ui::LineList toComplete(&listView, lists::LineOrder::Text, 12);
    qsizetype listed = 0;
    report("documents to complete:", bench::bestOf(5, [&] {
        auto rows = documents::toCompleteRows(path);
        listed = rows.size();
        toComplete.setRows(std::move(rows));
    }));
    std::printf("  (%lld documents listed)\n", static_cast<long long>(listed));
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
        sizes = { 100000 };
    QTemporaryDir tmp;
    for (int records : sizes)
        measure(tmp.path(), records);
    return sink == -1;
}
