// Figures for the exchanges with calendar and address-book files, each set
// against the raw sequential read of the same archive and against a plain
// write of the same bytes, measured in the same run:
//   bench_exchange [records] [imported]     (default: 100000 and 10000)
// The export of every appointment to a calendar file and of every contact
// to an address book; the import (read, plan, write under the lock) of
// `imported` events and of as many cards into empty archives.
#include "benchsupport.h"

#include "exchange/exchangeplan.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using F = ContactField;

namespace {

void generateContacts(const QString& path, int records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        ContactRecord r;
        r.setText(F::fullName, u"Cognome%1 Nome%2"_s.arg(i % 9973).arg(i % 101));
        r.setText(F::birthDate, u"12/05/1971"_s);
        r.setText(F::birthPlace, u"Perugia"_s);
        r.setText(F::birthProvince, u"PG"_s);
        r.setText(F::residenceAddress, u"Via dell'Università %1"_s.arg(i % 300));
        r.setText(F::residenceTown, u"Città di Castello"_s);
        r.setText(F::residenceProvince, u"PG"_s);
        r.setText(F::postCode, u"06012"_s);
        r.setText(F::homePhone, u"075 %1"_s.arg(5550000 + i));
        r.setText(F::mobilePhone, u"333 %1"_s.arg(1000000 + i));
        r.setText(F::email, u"contatto%1@example.it"_s.arg(i));
        r.setText(F::taxCode, u"RSSMRA71E12G478X"_s);
        r.setText(F::occupation, i % 3 ? u"Impiegato"_s : u"Avvocato"_s);
        r.setText(F::zone, u"Zona %1"_s.arg(i % 12));
        r.setText(F::notes, i % 4 ? QString() : u"Cliente dal 2015, più volte in ritardo"_s);
        r.setFlag(F::toRecontact, i % 10 == 0);
        chunk.append(r.data(), ContactRecord::Size);
        if (chunk.size() > (8 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

template <typename Work>
double bestOf(int runs, Work work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// The same bytes written as the export writes them: a temporary file in
// blocks of one megabyte, then put in place.
double plainWrite(const QString& path, const QByteArray& bytes)
{
    return bestOf(3, [&] {
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        for (qsizetype at = 0; at < bytes.size(); at += 1 << 20)
            f.write(bytes.constData() + at, std::min<qsizetype>(1 << 20, bytes.size() - at));
        f.commit();
    });
}

volatile qint64 sink = 0;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

void exportFigures(const char* what, const QString& archive, const QString& out, const std::function<void()>& run)
{
    const double raw = bestOf(3, [&] { sink = sink + bench::rawRead(archive); });
    const double exported = bestOf(3, run);
    const QByteArray bytes = readAll(out);
    const double plain = plainWrite(out + u".copia"_s, bytes);
    std::printf("%-22s %8.1f ms  %6.1f MB  plain write of the same bytes %7.1f ms (x%.2f)  raw read of the "
                "archive %6.1f ms\n",
        what, exported, bytes.size() / 1e6, plain, exported / plain, raw);
}

// Reads, plans and writes `file` into empty archives of a folder of its own.
void importFigures(const char* what, const QByteArray& file, bool calendar)
{
    double read = 0, planned = 0, written = 0;
    int added = 0;
    for (int run = 0; run < 3; ++run) {
        QTemporaryDir target;
        programFolder::setOverride(target.path());
        QElapsedTimer timer;
        timer.start();
        const QList<exchange::Incoming> items = calendar
            ? exchange::ical::readEvents(file, { QDate(2020, 1, 1), QDate(2040, 12, 31) })
            : exchange::vcard::readCards(file);
        const double r = timer.nsecsElapsed() / 1e6;
        const exchange::Plan plan
            = exchange::planImport(calendar ? exchange::Archive::Appointments : exchange::Archive::Contacts, items);
        const double p = timer.nsecsElapsed() / 1e6;
        added = exchange::applyImport(plan).added;
        const double w = timer.nsecsElapsed() / 1e6;
        if (run == 0 || w < written) {
            read = r;
            planned = p - r;
            written = w;
        }
    }
    std::printf("%-22s %8.1f ms  %d added (read %.1f ms, plan %.1f ms, write %.1f ms)\n", what, written, added, read,
        planned, written - read - planned);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int imported = argc > 2 ? std::atoi(argv[2]) : 10000;
    QTemporaryDir dir;
    programFolder::setOverride(dir.path());
    const QString appointments = programFolder::file(programFolder::Appointments);
    const QString contacts = programFolder::file(programFolder::Contacts);
    bench::generate(appointments, records);
    generateContacts(contacts, records);
    const QString ics = dir.filePath(u"agenda.ics"_s);
    const QString vcf = dir.filePath(u"rubrica.vcf"_s);

    std::printf("%d appointments, %d contacts\n", records, records);
    exportFigures(
        "export .ics", appointments, ics, [&] { exchange::exportCalendar(ics, QDateTime::currentDateTimeUtc()); });
    exportFigures("export .vcf 3.0", contacts, vcf, [&] { exchange::exportContacts(vcf, { false, true }); });

    // Files of `imported` items: the exports of archives that size.
    QTemporaryDir small;
    programFolder::setOverride(small.path());
    bench::generate(programFolder::file(programFolder::Appointments), imported);
    generateContacts(programFolder::file(programFolder::Contacts), imported);
    exchange::exportCalendar(small.filePath(u"a.ics"_s), QDateTime::currentDateTimeUtc());
    exchange::exportContacts(small.filePath(u"c.vcf"_s), { false, true });
    const QByteArray events = readAll(small.filePath(u"a.ics"_s));
    const QByteArray cards = readAll(small.filePath(u"c.vcf"_s));
    std::printf("%d events, %d cards imported into empty archives\n", imported, imported);
    importFigures("import .ics", events, true);
    importFigures("import .vcf", cards, false);
    programFolder::setOverride(QString());
    return 0;
}
