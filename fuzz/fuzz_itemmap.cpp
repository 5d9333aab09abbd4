// Any bytes as the record-to-item map beside an archive of three records:
// the map is either refused or read; what it reads names only positions of
// records and UIDs once; written again and read back, it is the same map.
#include "fuzzsupport.h"

#include "storage/archivefile.h"
#include "storage/itemmap.h"

#include <QFile>

namespace {

QByteArray threeRecords()
{
    QByteArray bytes;
    for (int n = 1; n <= 3; ++n) {
        AppointmentRecord record;
        record.setText(AppointmentField::date, QStringLiteral("05/03/2024"));
        record.setText(AppointmentField::purpose, QStringLiteral("Visita %1").arg(n));
        bytes.append(record.data(), AppointmentRecord::Size);
    }
    return bytes;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fuzz::fault("cannot write a scratch file", path);
}

bool same(const itemmap::ItemMap::Entry& a, const itemmap::ItemMap::Entry& b)
{
    return a.position == b.position && a.uid == b.uid && a.fingerprint == b.fingerprint && a.base == b.base
        && a.original == b.original;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray records = threeRecords();
    const QString folder = fuzz::scratch() + QStringLiteral("/mappa");
    QDir().mkpath(folder);
    programFolder::setOverride(folder);
    const QString archive = folder + QStringLiteral("/Archivio_Appuntamenti.qzv");
    write(archive, records);
    write(itemmap::ItemMap::pathOf(archive), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    const auto capacities = records::AppointmentLayout::Capacities;
    std::optional<itemmap::ItemMap> map;
    try {
        map = itemmap::ItemMap::load(archive, capacities, u'A');
    } catch (const AccessFailure&) {
        return 0; // not a map
    }
    QSet<QString> uids;
    for (const itemmap::ItemMap::Entry& entry : map->entries()) {
        fuzz::expect(entry.position > 0, "an entry of no position");
        fuzz::expect(!uids.contains(entry.uid), "a UID named twice", entry.uid);
        uids.insert(entry.uid);
        fuzz::expect(map->byUid(entry.uid) && map->byUid(entry.uid)->position == entry.position,
            "a UID that does not lead to its entry", entry.uid);
        fuzz::expect(
            entry.base.isEmpty() || entry.base.size() == qsizetype(capacities.size()) * 4, "a base of the wrong size");
    }
    // Each record given its UID: the certain ones keep theirs.
    for (qint64 position = 1; position <= 3; ++position) {
        const char* record = records.constData() + (position - 1) * AppointmentRecord::Size;
        const itemmap::ItemMap::Entry* certain = map->certain(position, record);
        const QString before = certain ? certain->uid : QString();
        const QString uid = map->uidFor(position, record);
        fuzz::expect(!uid.isEmpty(), "no UID for a record");
        fuzz::expect(before.isEmpty() || uid == before, "a certain UID changed", before + QStringLiteral(" ") + uid);
    }
    {
        ArchiveFile file;
        file.open(archive, AppointmentRecord::Size, ArchiveFile::Access::Write);
        map->save(file);
    }
    // What was written reads back as it was.
    const itemmap::ItemMap again = itemmap::ItemMap::load(archive, capacities, u'A');
    const QList<itemmap::ItemMap::Entry> written = map->entries();
    const QList<itemmap::ItemMap::Entry> read = again.entries();
    fuzz::expect(written.size() == read.size(), "entries lost or gained by a save",
        QStringLiteral("%1 / %2").arg(written.size()).arg(read.size()));
    for (qsizetype i = 0; i < written.size(); ++i)
        fuzz::expect(same(written[i], read[i]), "an entry changed by a save", written[i].uid);
    return 0;
}
