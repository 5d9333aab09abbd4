#include "backup/archivecheck.h"

#include "documents/documentrules.h"
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace backup::check {

namespace {

constexpr qint64 StepBytes = 1 << 20;

// The attachment fields of each layout.

struct Pass {
    explicit Pass(const Progress& p)
        : progress(p)
    {
    }
    const Progress& progress;
    qint64 total = 0;
    qint64 done = 0;
    qint64 sinceStep = 0;
    QFile* out = nullptr;
    QString* writeError = nullptr;
    qint64 written = 0;
    QHash<QString, Attachment> named; // each name with its first record

    bool cancelled() const { return progress.cancelled && progress.cancelled(); }
    // Counts `bytes` as read; false when the user has cancelled.
    bool advance(qint64 bytes)
    {
        done += bytes;
        sinceStep += bytes;
        if (sinceStep < StepBytes)
            return true;
        sinceStep = 0;
        if (progress.step)
            progress.step(std::min(done, total), total);
        return !cancelled();
    }
    void writeOut(const QString& archive, qint64 position, qint64 offset, const char* bytes, qint64 size)
    {
        if (!out || !out->isOpen())
            return;
        const QByteArray head = archive.toUtf8() + " record " + QByteArray::number(position) + " offset "
            + QByteArray::number(offset) + " bytes " + QByteArray::number(size) + '\n';
        if (out->write(head) != head.size() || out->write(bytes, size) != size || !out->putChar('\n')) {
            if (writeError && writeError->isEmpty())
                *writeError = out->errorString();
            out->close();
            return;
        }
        written += size;
    }
};

template <typename Layout, std::size_t N>
void checkArchive(const QString& folder, const Member& member, Pass& pass, ArchiveReport& report,
    const std::array<typename Layout::Field, N>& attachments)
{
    constexpr int Size = Layout::Offsets.back();
    constexpr int Fields = int(Layout::Capacities.size());
    const QString path = QDir(folder).filePath(member.name);
    report.name = member.name;
    const auto noteNow = [&] {
        const QStringList notes = ArchiveFile::notes(path);
        report.noteLeft = !notes.isEmpty();
        report.note = notes.isEmpty() ? QString() : QFileInfo(notes.first()).fileName();
    };
    noteNow();
    // Opening a missing archive would create it: the check writes nothing.
    if (!QFileInfo(path).isFile())
        return;
    report.present = true;

    ArchiveFile file;
    file.open(path, Size, ArchiveFile::Access::Read);
    // Under the lock, a note is what a cut writer left, not a write under way.
    noteNow();
    report.records = file.recordCount();
    std::optional<itemmap::ItemMap> map;
    if (QFileInfo::exists(itemmap::ItemMap::pathOf(path))) {
        report.hasMap = true;
        try {
            map = itemmap::ItemMap::load(
                path, Layout::Capacities, Size == AppointmentRecord::Size ? u'A' : u'C', &file);
            file.seek(0);
            report.mapEntries = map->size();
            for (const itemmap::ItemMap::Entry& entry : map->entries())
                report.mapUncertain += entry.position > report.records || entry.fingerprint == 0;
        } catch (const AccessFailure&) {
            report.mapUnreadable = true;
        }
    }
    QString name;
    while (!file.atEnd()) {
        const char* bytes = file.next();
        const qint64 position = file.position();
        DamagedRecord damaged;
        for (int f = 0; f < Fields; ++f) {
            const int length = static_cast<unsigned char>(bytes[Layout::Offsets[f]]);
            if (length > Layout::Capacities[f]) {
                damaged.fields << f + 1;
                damaged.lengthBytes << length;
            }
        }
        damaged.zeroed = std::all_of(bytes, bytes + Size, [](char c) { return c == 0; });
        if (!damaged.fields.isEmpty() || damaged.zeroed) {
            ++report.damagedRecords;
            damaged.position = position;
            if (report.damaged.size() < MaxListed)
                report.damaged << damaged;
            pass.writeOut(member.name, position, (position - 1) * Size, bytes, Size);
        } else if (!records::isBlank<Layout>(bytes)) {
            // Whole fields, read as the program's rules read them; a blank
            // record holds nothing to correct.
            InvalidRecord invalid;
            const records::RecordView<Layout> fields(bytes);
            for (int f = 0; f < Fields; ++f) {
                // Text in the archive's character set: no control character
                // but tab and line breaks, none of the bytes Windows-1252 leaves out.
                const auto* text = reinterpret_cast<const unsigned char*>(bytes + Layout::Offsets[f] + 1);
                const int length = static_cast<unsigned char>(bytes[Layout::Offsets[f]]);
                const bool foreign = std::any_of(text, text + length, [](unsigned char c) {
                    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F || c == 0x81 || c == 0x8D
                        || c == 0x8F || c == 0x90 || c == 0x9D;
                });
                if (foreign) {
                    invalid.fields << u"%1 (caratteri non validi)"_s.arg(QStringView(Layout::Captions[f]));
                    continue;
                }
                if (Layout::Kinds[f] == records::FieldKind::Text)
                    continue;
                fields.textInto(typename Layout::Field(f), name);
                if (!records::allows(Layout::Kinds[f], name))
                    invalid.fields << u"%1 \"%2\""_s.arg(QStringView(Layout::Captions[f]), name);
            }
            if (!invalid.fields.isEmpty()) {
                ++report.invalidRecords;
                invalid.position = position;
                if (report.invalid.size() < MaxListed)
                    report.invalid << invalid;
            }
        }
        if (map) {
            const itemmap::ItemMap::Entry* entry = map->byPosition(position);
            report.mapUncertain += entry && entry->fingerprint != 0 && !map->certain(position, bytes);
        }
        const records::RecordView<Layout> view(bytes);
        for (const auto field : attachments) {
            view.textInto(field, name);
            if (!name.isEmpty() && !pass.named.contains(name))
                pass.named.insert(name, Attachment { name, member.name, position });
        }
        if (!pass.advance(Size)) {
            file.close();
            return;
        }
    }
    file.close();

    // A partial record at the end, which no reader counts.
    QFile raw(path);
    if (raw.open(QIODevice::ReadOnly)) {
        const qint64 whole = report.records * Size;
        report.tailBytes = std::max<qint64>(0, raw.size() - whole);
        if (report.tailBytes > 0 && report.tailBytes < Size && raw.seek(whole)) {
            const QByteArray tail = raw.read(report.tailBytes);
            pass.writeOut(member.name, report.records + 1, whole, tail.constData(), tail.size());
        }
    }
}

} // namespace

bool Report::noArchives() const
{
    for (const ArchiveReport& a : archives)
        if (a.present)
            return false;
    return true;
}

bool Report::clean() const
{
    // A file of the attachments folder that no record names is a note for
    // the user, no damage.
    if (!missing.isEmpty() || noArchives())
        return false;
    for (const ArchiveReport& a : archives)
        if (a.damagedRecords > 0 || a.invalidRecords > 0 || a.tailBytes > 0 || a.noteLeft || a.mapUnreadable)
            return false;
    return true;
}

bool Report::hasDamagedBytes() const
{
    for (const ArchiveReport& a : archives)
        if (a.damagedRecords > 0 || a.tailBytes > 0)
            return true;
    return false;
}

QStringList Report::lines() const
{
    QStringList out;
    for (const ArchiveReport& a : archives) {
        if (!a.present) {
            out << u"%1: archivio assente."_s.arg(a.name);
            if (a.noteLeft)
                out << u"%1: è rimasta una nota di riscrittura (%2)."_s.arg(a.name, a.note);
            continue;
        }
        out << u"%1: %2 record."_s.arg(a.name).arg(a.records);
        for (const DamagedRecord& d : a.damaged) {
            QStringList fields;
            if (d.zeroed)
                fields << u"tutti i byte a zero (un tratto del disco azzerato?)"_s;
            for (qsizetype i = 0; i < d.fields.size(); ++i)
                fields << u"campo %1 (lunghezza %2)"_s.arg(d.fields[i]).arg(d.lengthBytes[i]);
            out << u"%1: record %2 illeggibile: %3."_s.arg(a.name).arg(d.position).arg(fields.join(u", "_s));
        }
        if (a.damagedRecords > a.damaged.size())
            out << u"%1: altri %2 record illeggibili non elencati."_s.arg(a.name).arg(
                a.damagedRecords - a.damaged.size());
        for (const InvalidRecord& r : a.invalid)
            out << u"%1: record %2 con valori che il programma non può leggere: %3; correggerli dalla scheda."_s
                       .arg(a.name)
                       .arg(r.position)
                       .arg(r.fields.join(u", "_s));
        if (a.invalidRecords > a.invalid.size())
            out << u"%1: altri %2 record con valori che il programma non può leggere, non elencati."_s.arg(a.name).arg(
                a.invalidRecords - a.invalid.size());
        if (a.tailBytes > 0)
            out << u"%1: record incompleto alla fine (%2 byte)."_s.arg(a.name).arg(a.tailBytes);
        if (a.noteLeft)
            out << u"%1: è rimasta una nota di riscrittura (%2)."_s.arg(a.name, a.note);
        const QString map = programFolder::itemMapOf(a.name);
        if (a.mapUnreadable) {
            out << u"%1: il file non si può leggere; le schede già scambiate con calendari, rubriche o server "
                   u"arriverebbero di nuovo come schede nuove."_s.arg(map);
        } else if (a.hasMap) {
            QString line = (a.mapEntries == 1 ? u"%1: 1 scheda scambiata con calendari, rubriche o server."_s
                                              : u"%1: %2 schede scambiate con calendari, rubriche o server."_s)
                               .arg(map)
                               .arg(a.mapEntries);
            if (a.mapUncertain > 0)
                line += (a.mapUncertain == 1 ? u" 1 elemento non corrisponde più alla scheda indicata"_s
                                             : u" %1 elementi non corrispondono più alla scheda indicata"_s)
                            .arg(a.mapUncertain)
                    + u" (archivio ripristinato, copiato o modificato da un'altra versione del programma): "
                      u"nessun elemento ricevuto sovrascriverà quelle schede, arriverà come scheda nuova."_s;
            out << line;
        }
    }
    for (const Attachment& m : missing)
        out << u"Allegato mancante: %1 (%2, record %3)."_s.arg(m.name, m.archive).arg(m.position);
    for (const QString& o : orphans)
        out << u"Nota: file allegato che nessun record indica: %1."_s.arg(o);
    if (noArchives() && !cancelled)
        out << u"Nella cartella non c'è nessun archivio del programma: controllare che la cartella di rete sia "
               u"collegata e che il percorso sia giusto."_s;
    if (cancelled)
        out << u"Verifica annullata: i risultati sono parziali."_s;
    else if (clean())
        out << u"Nessun problema trovato: gli archivi sono integri."_s;
    return out;
}

Report run(const QString& programFolder, const Progress& progress, const QString& damagedOut, QString* writeError)
{
    Report report;
    Pass pass(progress);
    pass.writeError = writeError;
    const QDir home(programFolder);
    for (const Member& member : members())
        if (member.kind == Member::Kind::Archive)
            pass.total += QFileInfo(home.filePath(member.name)).size();

    QFile out(damagedOut);
    if (!damagedOut.isEmpty()) {
        // A link planted under the name is replaced, never written through.
        if (QFileInfo(damagedOut).isSymLink())
            QFile::remove(damagedOut);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            pass.out = &out;
        else if (writeError)
            *writeError = out.errorString();
    }

    for (const Member& member : members()) {
        if (member.kind != Member::Kind::Archive)
            continue;
        ArchiveReport archive;
        if (member.recordSize == AppointmentRecord::Size)
            checkArchive<records::AppointmentLayout, 0>(programFolder, member, pass, archive, {});
        else if (member.recordSize == ContactRecord::Size)
            checkArchive<records::ContactLayout>(
                programFolder, member, pass, archive, documents::attachments::ContactSlots);
        else
            checkArchive<records::DocumentLayout>(
                programFolder, member, pass, archive, documents::attachments::DocumentSlots);
        report.archives << archive;
        if (pass.cancelled()) {
            report.cancelled = true;
            return report;
        }
    }
    if (out.isOpen()) {
        out.close();
        if (out.error() != QFileDevice::NoError && writeError && writeError->isEmpty())
            *writeError = out.errorString();
    }
    report.bytesWrittenOut = pass.written;

    // The attachments folder against the names the records give.
    const QString folder = home.filePath(documents::attachments::FolderName);
    QList<Attachment> named = pass.named.values();
    std::sort(named.begin(), named.end(), [](const Attachment& a, const Attachment& b) { return a.name < b.name; });
    for (const Attachment& a : named)
        if (documents::attachments::locate(folder, a.name).state != documents::attachments::Location::State::Found)
            report.missing << a;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& file : files)
        if (!pass.named.contains(file))
            report.orphans << file;
    if (progress.step)
        progress.step(pass.total, pass.total);
    return report;
}

} // namespace backup::check
