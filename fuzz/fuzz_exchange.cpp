// Any bytes as a calendar file and as an address book: each is either
// refused as damaged, naming a line of the file, or read into records; and
// every record read, written out again as an event or a card, reads back
// as the same record; so does the item kept as the file wrote it, with no
// field or every field of the record written over it.
#include "fuzzsupport.h"

#include "exchange/contentlines.h"
#include "exchange/icalendar.h"
#include "exchange/vcard.h"

namespace {

int lineCount(const QByteArray& bytes)
{
    return int(bytes.count('\n')) + 1;
}

template <typename Read>
QList<exchange::Incoming> readOrRefuse(const QByteArray& bytes, Read read)
{
    try {
        return read(bytes);
    } catch (const exchange::FileDamage& damage) {
        fuzz::expect(damage.line() >= 1 && damage.line() <= lineCount(bytes), "damage on a line the file lacks",
            damage.message());
        return {};
    }
}

// What the program wrote itself reads back without a refusal.
template <typename Read>
QList<exchange::Incoming> readWritten(const QByteArray& bytes, Read read)
{
    try {
        return read(bytes);
    } catch (const exchange::FileDamage& damage) {
        fuzz::expect(false, "what the program wrote is refused", damage.message() + u'\n' + QString::fromUtf8(bytes));
        return {};
    }
}

// The fields of two records that differ, for the report of a fault.
template <typename R>
QString differences(const QByteArray& a, const QByteArray& b)
{
    QString text;
    for (int f = 0; f < R::FieldCount; ++f) {
        const auto field = typename R::Field(f);
        const int at = R::offset(field);
        const int size = R::capacity(field) + 1;
        if (a.mid(at, size) != b.mid(at, size))
            text
                += QStringLiteral("field %1: [%2] / [%3]\n")
                       .arg(f)
                       .arg(QString::fromLatin1(a.mid(at, size).toHex()), QString::fromLatin1(b.mid(at, size).toHex()));
    }
    return text;
}

template <typename R>
QList<int> allFields()
{
    QList<int> fields;
    for (int f = 0; f < R::FieldCount; ++f)
        fields.append(f);
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const exchange::ical::Range range { fuzz::today(), fuzz::today().addMonths(12) };
    const QDateTime stamp(fuzz::today(), QTime(12, 0), Qt::UTC);

    const auto events = readOrRefuse(bytes, [&](const QByteArray& b) { return exchange::ical::readEvents(b, range); });
    for (const exchange::Incoming& event : events) {
        if (!event.skipReason.isEmpty())
            continue;
        fuzz::expect(event.record.size() == AppointmentRecord::Size, "event record of the wrong size");
        const AppointmentRecord record = AppointmentRecord::fromBytes(event.record.constData());
        const QByteArray item = exchange::ical::eventItem(record, QStringLiteral("uid-1"), stamp);
        fuzz::expect(!item.isEmpty(), "an event read has no date to write");
        const auto again = readWritten(item, [&](const QByteArray& b) { return exchange::ical::readEvents(b, range); });
        fuzz::expect(again.size() == 1, "event item gives no single event", QString::fromUtf8(item));
        fuzz::expect(again[0].record == event.record, "event does not read back",
            differences<AppointmentRecord>(event.record, again[0].record) + QString::fromUtf8(item));
        if (event.original.isEmpty())
            continue;
        for (const QList<int>& edited : { QList<int>(), allFields<AppointmentRecord>() }) {
            const QByteArray kept = exchange::ical::patchedEventItem(event.original, record, event.key, stamp, edited);
            fuzz::expect(!kept.isEmpty(), "a kept event cannot be written", QString::fromUtf8(event.original));
            const auto back
                = readWritten(kept, [&](const QByteArray& b) { return exchange::ical::readEvents(b, range); });
            fuzz::expect(back.size() == 1 && back[0].skipReason.isEmpty(), "a kept event gives no single event",
                QString::fromUtf8(kept));
            fuzz::expect(back[0].record == event.record, "a kept event does not read back",
                differences<AppointmentRecord>(event.record, back[0].record) + QString::fromUtf8(kept));
        }
    }

    const auto cards = readOrRefuse(bytes, [](const QByteArray& b) { return exchange::vcard::readCards(b); });
    for (const exchange::Incoming& card : cards) {
        if (!card.skipReason.isEmpty())
            continue;
        fuzz::expect(card.record.size() == ContactRecord::Size, "card record of the wrong size");
        const ContactRecord record = ContactRecord::fromBytes(card.record.constData());
        const QByteArray item = exchange::vcard::cardItem(record, QStringLiteral("uid-1"), { false, true });
        const auto again = readWritten(item, [](const QByteArray& b) { return exchange::vcard::readCards(b); });
        fuzz::expect(again.size() == 1, "card item gives no single card", QString::fromUtf8(item));
        fuzz::expect(again[0].record == card.record, "card does not read back",
            differences<ContactRecord>(card.record, again[0].record) + QString::fromUtf8(item));
        if (card.original.isEmpty())
            continue;
        for (const QList<int>& edited : { QList<int>(), allFields<ContactRecord>() }) {
            const QByteArray kept
                = exchange::vcard::patchedCardItem(card.original, record, card.key, { false, true }, edited);
            fuzz::expect(!kept.isEmpty(), "a kept card cannot be written", QString::fromUtf8(card.original));
            const auto back = readWritten(kept, [](const QByteArray& b) { return exchange::vcard::readCards(b); });
            fuzz::expect(back.size() == 1 && back[0].skipReason.isEmpty(), "a kept card gives no single card",
                QString::fromUtf8(kept));
            fuzz::expect(back[0].record == card.record, "a kept card does not read back",
                differences<ContactRecord>(card.record, back[0].record) + QString::fromUtf8(kept));
        }
    }
    return 0;
}
