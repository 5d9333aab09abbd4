#include "sync/recordcodecs.h"

#include "exchange/contentlines.h"
#include "exchange/exchangeplan.h"
#include "exchange/icalendar.h"
#include "exchange/vcard.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "sync/itemcodec.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace davsync {

namespace {

const QString CancelledMark = u"ANNULLATO - "_s;

// The record one item text becomes: its first event or card that can be one.
// A repeating event becomes its next occurrence from today (its first one
// when the series has ended). Fields the item does not carry keep what the
// record `base` holds.
std::optional<DecodedItem> decoded(exchange::Archive archive, const QByteArray& text, const char* base)
{
    QList<exchange::Incoming> items;
    try {
        if (archive == exchange::Archive::Appointments) {
            const QDate today = QDate::currentDate();
            items = exchange::ical::readEvents(text, { today, today.addYears(10) });
            const auto usable = [](const exchange::Incoming& i) { return i.skipReason.isEmpty(); };
            if (std::none_of(items.cbegin(), items.cend(), usable))
                items = exchange::ical::readEvents(text, { QDate(1, 1, 1), QDate(9999, 12, 31) });
        } else {
            items = exchange::vcard::readCards(text);
        }
    } catch (const exchange::FileDamage&) {
        return std::nullopt;
    }
    const int size = archive == exchange::Archive::Appointments ? AppointmentRecord::Size : ContactRecord::Size;
    const auto take = [&](const exchange::Incoming& item) {
        return DecodedItem { item.uid,
            base ? exchange::mergedRecord(archive, item, QByteArray(base, size)) : item.record, {}, {} };
    };
    for (const exchange::Incoming& item : items)
        if (item.skipReason.isEmpty() && !item.uid.isEmpty())
            return take(item);
    // An event cancelled on the server stays in the agenda, its purpose
    // saying so: the office sees it and tells whom it concerns.
    for (const exchange::Incoming& item : items) {
        if (!item.cancelled || item.uid.isEmpty() || item.record.size() != size)
            continue;
        DecodedItem decoded = take(item);
        AppointmentRecord record = AppointmentRecord::fromBytes(decoded.record.constData());
        const QString purpose = record.text(AppointmentField::purpose);
        if (!purpose.startsWith(CancelledMark))
            record.setText(AppointmentField::purpose, CancelledMark + purpose);
        decoded.record = QByteArray(record.data(), size);
        decoded.note = u"Appuntamento del %1 \"%2\": annullato sul server; la causale ora comincia con \"%3\"."_s.arg(
            record.text(AppointmentField::date), purpose, CancelledMark.trimmed());
        return decoded;
    }
    for (const exchange::Incoming& item : items)
        if (item.group)
            return DecodedItem { item.uid, {}, {}, item.skipReason };
    return std::nullopt;
}

template <typename Layout>
void markNotes(char* bytes, typename records::Record<Layout>::Field notes, const QString& mark)
{
    using R = records::Record<Layout>;
    R record = R::fromBytes(bytes);
    const QString old = record.text(notes);
    record.setText(notes, old.isEmpty() ? mark : mark + u' ' + old);
    std::memcpy(bytes, record.data(), size_t(R::Size));
}

// The mark that the sync puts before the notes of a conflict copy.
const QRegularExpression ConflictMark(u"^Copia in conflitto dal server del \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d ?"_s);

template <typename Layout>
void unmarkNotes(char* bytes, typename records::Record<Layout>::Field notes)
{
    using R = records::Record<Layout>;
    R record = R::fromBytes(bytes);
    record.setText(notes, record.text(notes).remove(ConflictMark));
    std::memcpy(bytes, record.data(), size_t(R::Size));
}

} // namespace

void installRecordCodecs()
{
    ItemCodec appointments;
    appointments.archive = programFolder::Appointments;
    appointments.recordSize = AppointmentRecord::Size;
    appointments.capacities.assign(
        records::AppointmentLayout::Capacities.begin(), records::AppointmentLayout::Capacities.end());
    appointments.contentType = "text/calendar; charset=utf-8";
    appointments.extension = u".ics"_s;
    appointments.uidPrefix = u'A';
    appointments.encode
        = [](const char* record, const QString& uid, const QByteArray& original, std::span<const int> edited) {
              const AppointmentRecord r = AppointmentRecord::fromBytes(record);
              const QDateTime now = QDateTime::currentDateTimeUtc();
              QByteArray item;
              if (!original.isEmpty())
                  item = exchange::ical::patchedEventItem(original, r, uid, now, edited);
              return item.isEmpty() ? exchange::ical::eventItem(r, uid, now) : item;
          };
    appointments.decode
        = [](const QByteArray& text, const char* base) { return decoded(exchange::Archive::Appointments, text, base); };
    appointments.markConflictCopy = [](char* record, const QString& mark) {
        markNotes<records::AppointmentLayout>(record, AppointmentField::notes, mark);
    };
    appointments.unmarkConflictCopy
        = [](char* record) { unmarkNotes<records::AppointmentLayout>(record, AppointmentField::notes); };
    appointments.retireConflictCopy = [](char* bytes, const QString& mark) {
        unmarkNotes<records::AppointmentLayout>(bytes, AppointmentField::notes);
        markNotes<records::AppointmentLayout>(bytes, AppointmentField::notes, mark);
        AppointmentRecord record = AppointmentRecord::fromBytes(bytes);
        record.setText(AppointmentField::noticeDays, u"0"_s);
        record.setFlag(AppointmentField::fulfilled, true);
        std::memcpy(bytes, record.data(), size_t(AppointmentRecord::Size));
    };
    codecs::install(Kind::Appointments, appointments);

    ItemCodec contacts;
    contacts.archive = programFolder::Contacts;
    contacts.recordSize = ContactRecord::Size;
    contacts.capacities.assign(records::ContactLayout::Capacities.begin(), records::ContactLayout::Capacities.end());
    contacts.contentType = "text/vcard; charset=utf-8";
    contacts.extension = u".vcf"_s;
    contacts.uidPrefix = u'C';
    // The codice fiscale, partita IVA, IBAN and identity document stay in the archive: what a
    // server holds reaches every phone of the account.
    contacts.encode
        = [](const char* record, const QString& uid, const QByteArray& original, std::span<const int> edited) {
              const ContactRecord r = ContactRecord::fromBytes(record);
              QByteArray item;
              if (!original.isEmpty())
                  item = exchange::vcard::patchedCardItem(original, r, uid, { .ownVersion = true }, edited);
              return item.isEmpty() ? exchange::vcard::cardItem(r, uid, {}) : item;
          };
    contacts.decode
        = [](const QByteArray& text, const char* base) { return decoded(exchange::Archive::Contacts, text, base); };
    contacts.markConflictCopy = [](char* record, const QString& mark) {
        markNotes<records::ContactLayout>(record, ContactField::notes, mark);
    };
    contacts.unmarkConflictCopy
        = [](char* record) { unmarkNotes<records::ContactLayout>(record, ContactField::notes); };
    contacts.retireConflictCopy = [](char* record, const QString& mark) {
        unmarkNotes<records::ContactLayout>(record, ContactField::notes);
        markNotes<records::ContactLayout>(record, ContactField::notes, mark);
    };
    codecs::install(Kind::Contacts, contacts);
}

} // namespace davsync
