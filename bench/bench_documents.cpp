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

void generate(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    static const char16_t* const producers[] = { u"Rossi Mario", u"Bianchi & Figli snc", u"Comune di Città di Castello",
        u"INPS - Direzione centrale", u"Studio Verdi" };
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        DocumentRecord r;
        r.setText(F::documentName, u"Lettera n. %1 sulla pratica del cliente"_s.arg(i));
        r.setText(F::protocolNumber, u"%1/%2"_s.arg(2015 + i % 10).arg(i, 6, 10, QChar(u'0')));
        r.setText(F::producer, QString::fromUtf16(producers[i % 5]) + u" %1"_s.arg(i % 300));
        r.setText(F::producerAddress, u"Via dell'Università 12, 06012 Città di Castello (PG)"_s);
        r.setText(F::productionDate, texts::formatDate(QDate(2015 + i % 10, 1 + i % 12, 1 + i % 28)));
        r.setText(F::recipient, u"Studio Verdi"_s);
        r.setText(F::recipientAddress, u"Piazza Garibaldi 3, 00184 Roma"_s);
        r.setText(F::receiptDate, texts::formatDate(QDate(2015 + i % 10, 1 + i % 12, 1 + (i + 3) % 28)));
        r.setText(F::subject,
            i % 7 ? u"Richiesta di documentazione integrativa per la pratica %1"_s.arg(i)
                  : u"Rinnovo del contratto di locazione della sede %1"_s.arg(i));
        r.setText(F::documentType, u"Lettera"_s);
        r.setText(F::classification, u"Amministrazione / Contratti"_s);
        r.setText(F::dossier, u"Fascicolo %1"_s.arg(i % 50));
        r.setText(F::references, u"Protocollo 2014/%1"_s.arg(i % 1000));
        r.setText(F::citedParties, u"Rossi Mario, Bianchi Anna, Studio Verdi"_s);
        r.setText(F::notes, i % 4 ? QString() : u"Da verificare con il cliente"_s);
        r.setText(F::digitalCopyFile, u"lettera_%1.pdf"_s.arg(i));
        r.setFlag(F::toComplete, i % 10 == 0);
        chunk.append(r.data(), DocumentRecord::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

void measure(const QString& folder, int records)
{
    const QString path = folder + u"/Archivio_Documenti.qzv"_s;
    generate(path, records);
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
