// What the record-to-item map of an archive costs, against the raw
// sequential read of the same archive measured in the same run:
//   bench_itemmap [records]     (default: 1000000)
// The first export of every appointment, which gives every record its UID
// and writes the map; the opening of the map; a thousand look-ups of a
// record's item, by position and by UID; an export with the map made; a
// card saved beside a map of every record (the line its writer adds); and
// the map's size per record. Then a phone's calendar of a tenth as many
// events imported, each kept whole in the map, and an export that sends
// each as it came with its record written over it. The peak memory is the
// process's after all.
#include "benchsupport.h"

#include "exchange/exchangeplan.h"
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir folder;
    programFolder::setOverride(folder.path());
    const QString path = programFolder::file(programFolder::Appointments);
    bench::generate(path, records);
    const QString ics = folder.filePath(u"agenda.ics"_s);

    bench::rawRead(path);
    const double raw = bench::bestOf(3, [&] { bench::rawRead(path); });
    std::printf("%d appointments, %.0f MB\n", records, QFileInfo(path).size() / 1e6);
    std::printf("raw read of the archive:            %9.1f ms\n", raw);

    QElapsedTimer timer;
    timer.start();
    exchange::exportCalendar(ics, QDateTime::currentDateTimeUtc());
    const double first = timer.nsecsElapsed() / 1e6;
    std::printf("first export, every UID made:       %9.1f ms  (%.1f x raw)\n", first, first / raw);

    const auto load = [&] { return exchange::loadItemMap(exchange::Archive::Appointments); };
    const double opening = bench::bestOf(3, [&] { load(); });
    std::printf("opening the map:                    %9.1f ms  (%.2f x raw)\n", opening, opening / raw);

    const itemmap::ItemMap map = load();
    QByteArray record(AppointmentRecord::Size, '\0');
    QList<QString> uids;
    for (int i = 0; i < 1000; ++i)
        uids.append(map.byPosition(1 + qint64(i) * records / 1000)->uid);
    timer.restart();
    qint64 found = 0;
    for (int i = 0; i < 1000; ++i) {
        const qint64 position = 1 + qint64(i) * records / 1000;
        archive::readAt(path, AppointmentRecord::Size, position, record.data());
        found += map.certain(position, record.constData()) != nullptr;
        found += map.byUid(uids[i]) != nullptr;
    }
    const double lookups = timer.nsecsElapsed() / 1e6;
    if (found != 2000)
        qFatal("the map lost records");
    std::printf("1000 look-ups, record read with each: %7.1f ms  (%.1f us each)\n", lookups, lookups);

    const double again = bench::bestOf(2, [&] { exchange::exportCalendar(ics, QDateTime::currentDateTimeUtc()); });
    std::printf("export with the map:                %9.1f ms  (%.1f x raw)\n", again, again / raw);

    const double save = bench::bestOf(5, [&] {
        archive::readAt(path, AppointmentRecord::Size, records / 2, record.data());
        record[100] = record[100] == 'x' ? 'y' : 'x';
        archive::rewriteAt(path, AppointmentRecord::Size, records / 2, record.constData());
    });
    std::printf("a card saved, its line in the map:  %9.2f ms\n", save);

    const qint64 mapBytes = QFileInfo(itemmap::ItemMap::pathOf(path)).size();
    std::printf("map: %.1f MB, %.0f bytes a record\n", mapBytes / 1e6, double(mapBytes) / records);

    // A phone's events, each with an end, an attendee and an alarm.
    const int foreign = records / 10;
    QByteArray phone = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\n";
    for (int i = 0; i < foreign; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray day = QByteArray::number(10 + i % 18);
        phone += "BEGIN:VEVENT\r\nUID:telefono-" + n + "@example.it\r\nDTSTAMP:20240301T080000Z\r\n"
            + "DTSTART;TZID=Europe/Rome:202403" + day + "T100000\r\nDTEND;TZID=Europe/Rome:202403" + day
            + "T113000\r\nSUMMARY:Riunione dal telefono n. " + n
            + "\r\nDESCRIPTION:Ordine del giorno: bilancio\\, personale\\, varie.\r\nLOCATION:Sala A\r\n"
              "ATTENDEE;CN=Ferri Cristina;PARTSTAT=ACCEPTED:mailto:cristina@example.it\r\n"
              "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Promemoria\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
              "END:VEVENT\r\n";
    }
    phone += "END:VCALENDAR\r\n";
    timer.restart();
    const exchange::ImportOutcome imported
        = exchange::applyImport(exchange::planCalendarFile(phone, { QDate(2024, 1, 1), QDate(2024, 12, 31) }));
    const double importing = timer.nsecsElapsed() / 1e6;
    if (imported.added != foreign)
        qFatal("the phone's events were not all added");
    std::printf("%d phone events imported, kept whole: %7.1f ms\n", foreign, importing);
    const double kept = bench::bestOf(2, [&] { exchange::exportCalendar(ics, QDateTime::currentDateTimeUtc()); });
    std::printf("export, those sent as they came:    %9.1f ms  (%.1f x raw of the larger archive)\n", kept,
        kept / bench::bestOf(3, [&] { bench::rawRead(path); }));
    const qint64 keptBytes = QFileInfo(itemmap::ItemMap::pathOf(path)).size();
    std::printf(
        "map: %.1f MB, %.0f bytes more for each event kept\n", keptBytes / 1e6, double(keptBytes - mapBytes) / foreign);
    std::printf("peak memory: %.0f MB\n", bench::peakMegabytes());
    return 0;
}
