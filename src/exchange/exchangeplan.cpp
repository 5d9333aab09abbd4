#include "exchange/exchangeplan.h"

#include "exchange/contentlines.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/safefiles.h"
#include "storage/texts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace exchange {

WriteFailure::WriteFailure(QString path, QString detail)
    : m_path(std::move(path))
    , m_detail(std::move(detail))
    , m_what((m_path + u": "_s + m_detail).toUtf8())
{
}

QString WriteFailure::message() const
{
    if (m_detail.isEmpty())
        return u"Impossibile scrivere il file \"%1\": il file non è stato modificato."_s.arg(m_path);
    return u"Impossibile scrivere il file \"%1\" (%2): il file non è stato modificato."_s.arg(m_path, m_detail);
}

const char* WriteFailure::what() const noexcept
{
    return m_what.constData();
}

ReadFailure::ReadFailure(QString path, int error)
    : m_path(std::move(path))
    , m_error(error)
{
}

QString ReadFailure::message() const
{
    switch (m_error) {
    case 0:
        return u"Il file \"%1\" è vuoto: non c'è niente da importare."_s.arg(m_path);
    case ENOENT:
        return u"Il file \"%1\" non esiste: controllare il nome e la cartella."_s.arg(m_path);
    case EACCES:
    case EPERM:
        return u"Non si hanno i permessi per leggere il file \"%1\"."_s.arg(m_path);
    case EISDIR:
        return u"\"%1\" è una cartella, non un file da importare."_s.arg(m_path);
    case EINVAL:
        return u"\"%1\" non è un file da importare (è un dispositivo o un collegamento speciale)."_s.arg(m_path);
    case EFBIG:
        return u"Il file \"%1\" è troppo grande per essere importato (oltre %2 MB)."_s.arg(m_path).arg(
            MaxImportBytes / (1024 * 1024));
    default:
        return u"Impossibile leggere il file \"%1\": %2."_s.arg(m_path, safefiles::errorText(m_error));
    }
}

QByteArray readImportFile(const QString& path)
{
    // Never waiting at the opening, so a FIFO under the name cannot freeze the program.
    QByteArray bytes;
    if (!safefiles::readSmall(path, MaxImportBytes, bytes))
        throw ReadFailure(path, QFileInfo(path).isDir() ? EISDIR : errno);
    // Windows programs may write UTF-16: read as the UTF-8 it stands for.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        bytes = text.toUtf8();
    }
    if (bytes.trimmed().isEmpty())
        throw ReadFailure(path, 0);
    return bytes;
}

QString entryLine(const PlanEntry& entry)
{
    // What the card will not show as the file has it; the item keeps it
    // whole and it goes out again as it came.
    const QString altered = entry.item.altered.isEmpty()
        ? QString()
        : u"; la scheda mostrerà ridotti o con caratteri sostituiti: %1"_s.arg(entry.item.altered.join(u", "_s));
    switch (entry.action) {
    case PlanEntry::Action::Add:
        if (entry.conflictCopy)
            return u"Aggiungere: %1 (%2)"_s.arg(entry.item.label, entry.reason);
        if (!altered.isEmpty())
            return u"Aggiungere: %1 (%2)"_s.arg(entry.item.label, altered.sliced(2));
        return u"Aggiungere: "_s + entry.item.label;
    case PlanEntry::Action::Update:
        return u"Aggiornare: %1 (%2%3)"_s.arg(entry.item.label, entry.reason, altered);
    case PlanEntry::Action::Skip:
        break;
    }
    return u"Saltare: %1 (riga %2: %3)"_s.arg(entry.item.label).arg(entry.item.line).arg(entry.reason);
}

QString planCounts(const Plan& plan)
{
    return u"Da aggiungere: %1. Da aggiornare: %2. Da saltare: %3."_s.arg(plan.count(PlanEntry::Action::Add))
        .arg(plan.count(PlanEntry::Action::Update))
        .arg(plan.count(PlanEntry::Action::Skip));
}

QString outcomeText(const ImportOutcome& outcome)
{
    return u"Importazione completata. Schede aggiunte: %1. Schede aggiornate: %2. Voci saltate: %3."_s
        .arg(outcome.added)
        .arg(outcome.updated)
        .arg(outcome.skipped);
}

QString exportText(Archive archive, const ExportOutcome& outcome, const QString& path)
{
    const bool appointments = archive == Archive::Appointments;
    QString text = (outcome.written == 1 ? u"Esportato %1 nel file \"%2\"."_s : u"Esportati %1 nel file \"%2\"."_s)
                       .arg(appointments ? texts::counted(outcome.written, u"appuntamento"_s, u"appuntamenti"_s)
                                         : texts::counted(outcome.written, u"contatto"_s, u"contatti"_s),
                           path);
    if (outcome.skipped > 0)
        text += u' '
            + (appointments ? texts::counted(outcome.skipped, u"scheda senza una data valida non è stata esportata."_s,
                   u"schede senza una data valida non sono state esportate."_s)
                            : texts::counted(outcome.skipped, u"scheda senza nome non è stata esportata."_s,
                                u"schede senza nome non sono state esportate."_s));
    return text;
}

QString PlanOutdated::message()
{
    return u"L'archivio è stato modificato da un'altra postazione durante l'importazione: "
           u"nessuna scheda è stata scritta. Ripetere l'importazione."_s;
}

QString archivePath(Archive archive)
{
    return programFolder::file(
        archive == Archive::Appointments ? programFolder::Appointments : programFolder::Contacts);
}

namespace {

int recordSize(Archive archive)
{
    return archive == Archive::Appointments ? AppointmentRecord::Size : ContactRecord::Size;
}

// Writes what `produce` gives, chunk by chunk, into `path` through a
// temporary file that replaces it only when whole; a link in its place is
// replaced, never written through.
template <typename Produce>
ExportOutcome writeExport(const QString& path, Produce produce)
{
    safefiles::Replacement file(path);
    if (!file.open())
        throw WriteFailure(path, safefiles::errorText(errno));
    QByteArray chunk;
    chunk.reserve(1 << 20);
    const auto flush = [&] {
        if (!safefiles::writeAll(file.handle(), chunk.constData(), chunk.size()))
            throw WriteFailure(path, safefiles::errorText(errno));
        chunk.resize(0); // keeps its storage for the next chunk
    };
    ExportOutcome outcome = produce(chunk, flush);
    flush();
    if (!file.commit())
        throw WriteFailure(path, safefiles::errorText(errno));
    return outcome;
}

std::span<const int> capacitiesOf(Archive archive)
{
    if (archive == Archive::Appointments)
        return records::AppointmentLayout::Capacities;
    return records::ContactLayout::Capacities;
}

// Every record of the archive with its UID, the archive held alone for the
// whole walk so that the UIDs given to records met for the first time are
// kept in the map with the records as they are.
using Entry = itemmap::ItemMap::Entry;

template <typename Visit>
void walkWithUids(Archive archive, Visit visit)
{
    const QString path = archivePath(archive);
    const int size = recordSize(archive);
    ArchiveFile file;
    file.open(path, size, ArchiveFile::Access::Write);
    itemmap::ItemMap map = loadItemMap(archive, &file);
    file.seek(0);
    QByteArray uid;
    while (!file.atEnd()) {
        const qint64 position = file.position() + 1;
        const char* record = file.next();
        uid = map.uidFor(position, record).toUtf8();
        visit(record, uid, map.byPosition(position));
    }
    if (map.changed())
        map.save(file);
    file.close();
}

} // namespace

itemmap::ItemMap loadItemMap(Archive archive, ArchiveFile* open)
{
    return itemmap::ItemMap::load(
        archivePath(archive), capacitiesOf(archive), archive == Archive::Appointments ? u'A' : u'C', open);
}

ExportOutcome exportCalendar(const QString& path, const QDateTime& stamp)
{
    return writeExport(path, [&](QByteArray& chunk, const auto& flush) {
        ExportOutcome outcome;
        chunk += ical::calendarBegin();
        QSet<QByteArray> zones = { "Europe/Rome" };
        walkWithUids(Archive::Appointments, [&](const char* bytes, const QByteArray& uid, const Entry* entry) {
            // An item that came from outside goes out as it came, with what
            // the office changed written over it.
            QByteArray item;
            if (entry && !entry->original.isEmpty())
                item = ical::patchedEventItem(entry->original, AppointmentRecord::fromBytes(bytes),
                    QString::fromUtf8(uid), stamp,
                    itemmap::changedFields(entry->base, bytes, records::AppointmentLayout::Capacities));
            if (!item.isEmpty()) {
                ical::appendItemEvents(chunk, item, zones);
                ++outcome.written;
            } else if (ical::appendEvent(chunk, AppointmentView(bytes), uid, stamp)) {
                ++outcome.written;
            } else {
                ++outcome.skipped;
            }
            if (chunk.size() > (1 << 20) - 8192)
                flush();
        });
        chunk += ical::calendarEnd();
        return outcome;
    });
}

ExportOutcome exportContacts(const QString& path, const vcard::Options& options)
{
    return writeExport(path, [&](QByteArray& chunk, const auto& flush) {
        ExportOutcome outcome;
        walkWithUids(Archive::Contacts, [&](const char* bytes, const QByteArray& uid, const Entry* entry) {
            QByteArray item;
            if (entry && !entry->original.isEmpty())
                item = vcard::patchedCardItem(entry->original, ContactRecord::fromBytes(bytes), QString::fromUtf8(uid),
                    options, itemmap::changedFields(entry->base, bytes, records::ContactLayout::Capacities));
            if (!item.isEmpty()) {
                chunk += item;
                ++outcome.written;
            } else if (vcard::appendCard(chunk, ContactView(bytes), uid, options)) {
                ++outcome.written;
            } else {
                ++outcome.skipped;
            }
            if (chunk.size() > (1 << 20) - 16384)
                flush();
        });
        return outcome;
    });
}

int Plan::count(PlanEntry::Action action) const
{
    int n = 0;
    for (const PlanEntry& entry : entries)
        n += entry.action == action;
    return n;
}

namespace {

template <typename Layout>
QString contentKey(const char* bytes)
{
    // Every field's kept text: two records with the same texts are the same
    // card, whatever the bytes after the texts hold.
    QString key;
    const records::RecordView<Layout> view(bytes);
    for (int f = 0; f < int(Layout::Capacities.size()); ++f) {
        key += view.text(typename Layout::Field(f));
        key += u'\x1f';
    }
    return key;
}

QString contentKey(Archive archive, const char* bytes)
{
    return archive == Archive::Appointments ? contentKey<records::AppointmentLayout>(bytes)
                                            : contentKey<records::ContactLayout>(bytes);
}

QString lowerTrimmed(const QString& text)
{
    return texts::trim(text).toLower();
}

} // namespace

QByteArray mergedRecord(Archive archive, const Incoming& item, const QByteArray& before)
{
    QByteArray record = item.record;
    for (int f : item.keptFields) {
        const int offset = archive == Archive::Appointments ? records::AppointmentLayout::Offsets[f]
                                                            : records::ContactLayout::Offsets[f];
        const int size = (archive == Archive::Appointments ? records::AppointmentLayout::Capacities[f]
                                                           : records::ContactLayout::Capacities[f])
            + 1;
        std::memcpy(record.data() + offset, before.constData() + offset, size_t(size));
    }
    return record;
}

namespace {

// The file's version of a record kept beside it, its notes saying so.
QByteArray conflictCopy(Archive archive, const QByteArray& record)
{
    const QString mark = u"Copia in conflitto dal file importato il %1"_s.arg(
        QDateTime::currentDateTime().toString(u"dd/MM/yyyy HH:mm"_s));
    if (archive == Archive::Appointments) {
        AppointmentRecord copy = AppointmentRecord::fromBytes(record.constData());
        const QString notes = copy.text(AppointmentField::notes);
        copy.setText(AppointmentField::notes, notes.isEmpty() ? mark : mark + u' ' + notes);
        return QByteArray(copy.data(), AppointmentRecord::Size);
    }
    ContactRecord copy = ContactRecord::fromBytes(record.constData());
    const QString notes = copy.text(ContactField::notes);
    copy.setText(ContactField::notes, notes.isEmpty() ? mark : mark + u' ' + notes);
    return QByteArray(copy.data(), ContactRecord::Size);
}

} // namespace

Plan planImport(Archive archive, const QList<Incoming>& items)
{
    Plan plan;
    plan.archive = archive;
    const QString path = archivePath(archive);
    const int size = recordSize(archive);

    // What the archive holds now: every record's content, and for contacts
    // their names with tax code and e-mail.
    QHash<QString, qint64> contents;
    QHash<QString, qint64> nameAndTaxCode;
    QHash<QString, qint64> nameAndEmail;
    qint64 count = 0;
    // A folder without the archive yet has nothing to compare: a preview
    // writes nothing, not even an empty archive.
    const bool exists = QFileInfo::exists(path);
    if (exists)
        archive::readAll(path, size, [&](const char* bytes, qint64 position) {
            count = position;
            contents.insert(contentKey(archive, bytes), position);
            if (archive == Archive::Contacts) {
                const ContactView view(bytes);
                const QString name = lowerTrimmed(view.text(ContactField::fullName));
                const QString taxCode = lowerTrimmed(view.text(ContactField::taxCode));
                const QString email = lowerTrimmed(view.text(ContactField::email));
                if (!taxCode.isEmpty())
                    nameAndTaxCode.insert(name + u'\x1f' + taxCode, position);
                if (!email.isEmpty())
                    nameAndEmail.insert(name + u'\x1f' + email, position);
            }
        });
    const itemmap::ItemMap map = loadItemMap(archive);

    QSet<QString> keysInFile;
    QSet<QString> contentsInFile;
    for (const Incoming& item : items) {
        PlanEntry entry;
        entry.item = item;
        entry.received = item.record;
        if (!item.skipReason.isEmpty()) {
            entry.reason = item.skipReason;
            plan.entries.append(entry);
            continue;
        }
        if (!item.key.isEmpty()) {
            if (keysInFile.contains(item.key)) {
                entry.reason = u"duplicato: lo stesso UID compare già nel file"_s;
                plan.entries.append(entry);
                continue;
            }
            keysInFile.insert(item.key);
        }
        // A record the map names: the three versions compared field by
        // field. Only a record that is still what the map last knew is ever
        // written in the item's name.
        const itemmap::ItemMap::Entry* named = item.key.isEmpty() ? nullptr : map.byUid(item.key);
        QString stale;
        if (named) {
            QByteArray before(size, Qt::Uninitialized);
            if (named->position <= count)
                archive::readAt(path, size, named->position, before.data());
            if (named->position <= count && map.certain(named->position, before.constData())) {
                const QByteArray incoming = mergedRecord(archive, item, before);
                entry.received = incoming;
                const itemmap::Merge merge
                    = itemmap::mergeThreeWays(capacitiesOf(archive), named->base, before, incoming);
                entry.position = named->position;
                entry.before = before;
                entry.item.record = merge.record;
                if (contentKey(archive, merge.record.constData()) != contentKey(archive, before.constData())) {
                    entry.action = PlanEntry::Action::Update;
                    entry.reason = u"aggiorna la scheda n. %1"_s.arg(named->position);
                } else if (merge.conflicts.isEmpty()) {
                    entry.reason = u"già presente e invariato (scheda n. %1)"_s.arg(named->position);
                } else {
                    entry.reason = u"la scheda n. %1 resta com'è in archivio"_s.arg(named->position);
                }
                // What the file gives now is what was last received, also
                // when the archive's version stays.
                entry.remember = !merge.conflicts.isEmpty();
                plan.entries.append(entry);
                if (!merge.conflicts.isEmpty()) {
                    PlanEntry copy;
                    copy.action = PlanEntry::Action::Add;
                    copy.item = item;
                    copy.item.record = conflictCopy(archive, incoming);
                    copy.conflictCopy = true;
                    copy.position = named->position;
                    copy.reason = u"copia in conflitto: la scheda n. %1 è cambiata sia nel file sia in archivio"_s.arg(
                        named->position);
                    plan.entries.append(copy);
                }
                continue;
            }
            stale = named->position <= count
                ? u" (la scheda n. %1 non corrisponde più a questo elemento)"_s.arg(named->position)
                : u" (la scheda n. %1 non è più in archivio)"_s.arg(named->position);
        }
        const QString content = contentKey(archive, item.record.constData());
        if (const auto found = contents.constFind(content); found != contents.cend()) {
            entry.reason = u"già presente in archivio (scheda n. %1)"_s.arg(*found);
            entry.position = *found;
            plan.entries.append(entry);
            continue;
        }
        if (contentsInFile.contains(content)) {
            entry.reason = u"duplicato: la stessa scheda compare già nel file"_s;
            plan.entries.append(entry);
            continue;
        }
        if (archive == Archive::Contacts) {
            const ContactView view(item.record.constData());
            const QString name = lowerTrimmed(view.text(ContactField::fullName));
            const QString taxCode = lowerTrimmed(view.text(ContactField::taxCode));
            const QString email = lowerTrimmed(view.text(ContactField::email));
            if (!taxCode.isEmpty() && nameAndTaxCode.contains(name + u'\x1f' + taxCode)) {
                entry.reason = u"contatto già presente (stesso nome e stesso codice fiscale, scheda n. %1)"_s.arg(
                    nameAndTaxCode.value(name + u'\x1f' + taxCode));
                plan.entries.append(entry);
                continue;
            }
            if (!email.isEmpty() && nameAndEmail.contains(name + u'\x1f' + email)) {
                entry.reason = u"contatto già presente (stesso nome e stessa e-mail, scheda n. %1)"_s.arg(
                    nameAndEmail.value(name + u'\x1f' + email));
                plan.entries.append(entry);
                continue;
            }
        }
        contentsInFile.insert(content);
        entry.action = PlanEntry::Action::Add;
        entry.reason = u"nuova scheda"_s + stale;
        plan.entries.append(entry);
    }
    return plan;
}

Plan planCalendarFile(const QByteArray& file, const ical::Range& range)
{
    return planImport(Archive::Appointments, ical::readEvents(file, range));
}

Plan planContactsFile(const QByteArray& file)
{
    return planImport(Archive::Contacts, vcard::readCards(file));
}

ImportOutcome applyImport(const Plan& plan)
{
    ImportOutcome outcome;
    const QString path = archivePath(plan.archive);
    const int size = recordSize(plan.archive);
    QByteArray added;
    QList<const PlanEntry*> additions;
    QList<const PlanEntry*> updates;
    for (const PlanEntry& entry : plan.entries) {
        if (entry.action == PlanEntry::Action::Add) {
            added += entry.item.record;
            additions.append(&entry);
        } else if (entry.action == PlanEntry::Action::Update) {
            updates.append(&entry);
        } else {
            ++outcome.skipped;
        }
    }
    if (additions.isEmpty() && updates.isEmpty())
        return outcome;

    ArchiveFile file;
    file.open(path, size, ArchiveFile::Access::Write);
    const qint64 count = file.recordCount();
    // The records to update must be as the plan saw them: another
    // workstation may have saved one meanwhile.
    QByteArray current(size, Qt::Uninitialized);
    for (const PlanEntry* entry : updates) {
        file.seek(entry->position - 1);
        file.read(current.data());
        if (current != entry->before)
            throw PlanOutdated();
    }
    itemmap::ItemMap map = loadItemMap(plan.archive, &file);
    map.dropPast(count);
    QList<const PlanEntry*> rewritten;
    try {
        for (const PlanEntry* entry : updates) {
            file.seek(entry->position - 1);
            file.write(entry->item.record.constData());
            rewritten.append(entry);
        }
        file.appendMany(added.constData(), additions.size());
        // Each record written is remembered with its item and the item's
        // version as received now, so that the next import of the same file
        // recognises it and keeps what the office changes meanwhile.
        for (const PlanEntry* entry : updates)
            map.set(entry->position, entry->item.key, entry->item.record.constData(), entry->received.constData(),
                entry->item.original);
        for (const PlanEntry& entry : plan.entries)
            if (entry.remember && entry.action == PlanEntry::Action::Skip)
                map.set(entry.position, entry.item.key, entry.before.constData(), entry.received.constData(),
                    entry.item.original);
        for (qsizetype i = 0; i < additions.size(); ++i) {
            const PlanEntry* entry = additions[i];
            if (!entry->conflictCopy && !entry->item.key.isEmpty())
                map.set(count + 1 + i, entry->item.key, entry->item.record.constData(), entry->received.constData(),
                    entry->item.original);
        }
        map.save(file);
    } catch (...) {
        // All or nothing: what went in is taken back, newest first.
        try {
            if (file.recordCount() > count)
                file.truncate(count);
            for (qsizetype i = rewritten.size() - 1; i >= 0; --i) {
                file.seek(rewritten[i]->position - 1);
                file.write(rewritten[i]->before.constData());
            }
        } catch (const AccessFailure&) {
            // The rewrite notes finish what cannot be undone now.
        }
        throw;
    }
    file.close();
    outcome.added = int(additions.size());
    outcome.updated = int(updates.size());
    outcome.firstAdded = additions.isEmpty() ? 0 : count + 1;
    return outcome;
}

} // namespace exchange
