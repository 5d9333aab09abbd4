#pragma once
// A plain conversion of records to items for the tests of the sync, until
// the program's own: every non-empty field travels as an X-QV-<n> property
// (its text in base64), beside the UID, a SUMMARY or FN and, for an
// appointment, its DTSTART. An item of another client, without X-QV
// properties, gives an appointment from its SUMMARY and DTSTART, a contact
// from its FN.

#include "storage/records.h"
#include "sync/itemcodec.h"

#include <QByteArrayList>
#include <QDate>

namespace testsupport {

namespace standin {

inline QByteArrayList unfolded(const QByteArray& text)
{
    QByteArrayList lines;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if ((line.startsWith(' ') || line.startsWith('\t')) && !lines.isEmpty())
            lines.last() += line.mid(1);
        else
            lines.append(line);
    }
    return lines;
}

template <typename Layout>
davsync::ItemCodec codec(bool calendar)
{
    using R = records::Record<Layout>;
    davsync::ItemCodec c;
    c.recordSize = R::Size;
    c.uidPrefix = calendar ? u'A' : u'C';
    c.capacities.assign(Layout::Capacities.begin(), Layout::Capacities.end());
    c.encode = [calendar](const char* bytes, const QString& uid, const QByteArray&, std::span<const int>) {
        const R record = R::fromBytes(bytes);
        QByteArray text = calendar
            ? "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quirvale//prove//IT\r\nBEGIN:VEVENT\r\n"
            : "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        text += "UID:" + uid.toUtf8() + "\r\n";
        const QString title = record.text(typename R::Field(calendar ? 6 : 0)); // purpose, full name
        if (calendar) {
            QDate date = QDate::fromString(record.text(typename R::Field(0)), u"dd/MM/yyyy");
            if (!date.isValid())
                date = QDate(2000, 1, 1);
            text += "DTSTAMP:20240101T000000Z\r\nDTSTART:" + date.toString(u"yyyyMMdd").toLatin1() + "T"
                + record.text(typename R::Field(1)).rightJustified(2, u'0').left(2).toLatin1()
                + record.text(typename R::Field(2)).rightJustified(2, u'0').left(2).toLatin1() + "00\r\n";
            text += "SUMMARY:" + title.toUtf8().toBase64() + "\r\n";
        } else {
            text += "FN:" + (title.isEmpty() ? QByteArray("-") : title.toUtf8().toBase64()) + "\r\nN:;;;;\r\n";
        }
        for (int f = 0; f < R::FieldCount; ++f) {
            const QString value = record.text(typename R::Field(f));
            if (!value.isEmpty())
                text += "X-QV-" + QByteArray::number(f) + ":" + value.toUtf8().toBase64() + "\r\n";
        }
        text += calendar ? "END:VEVENT\r\nEND:VCALENDAR\r\n" : "END:VCARD\r\n";
        return text;
    };
    c.decode = [calendar](const QByteArray& text, const char* base) -> std::optional<davsync::DecodedItem> {
        R record = base ? R::fromBytes(base) : R();
        QString uid;
        bool any = false;
        QString title;
        QByteArray start;
        for (const QByteArray& line : unfolded(text)) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.left(colon).split(';').first().toUpper();
            const QByteArray value = line.mid(colon + 1);
            if (name == "UID")
                uid = QString::fromUtf8(value);
            else if (name == "SUMMARY" || name == "FN")
                title = QString::fromUtf8(value);
            else if (name == "DTSTART")
                start = value;
            else if (name.startsWith("X-QV-")) {
                const int f = name.mid(5).toInt();
                if (f >= 0 && f < R::FieldCount) {
                    if (!any && !base) {
                        record = R();
                    }
                    any = true;
                    record.setText(typename R::Field(f), QString::fromUtf8(QByteArray::fromBase64(value)));
                }
            }
        }
        if (uid.isEmpty() || !text.contains(calendar ? "BEGIN:VEVENT" : "BEGIN:VCARD"))
            return std::nullopt;
        if (!any) {
            record.setText(typename R::Field(calendar ? 6 : 0), title);
            if (calendar && start.size() >= 8) {
                const QDate date = QDate::fromString(QString::fromLatin1(start.left(8)), u"yyyyMMdd");
                record.setText(typename R::Field(0), date.toString(u"dd/MM/yyyy"));
                if (start.size() >= 13) {
                    record.setText(typename R::Field(1), QString::fromLatin1(start.mid(9, 2)));
                    record.setText(typename R::Field(2), QString::fromLatin1(start.mid(11, 2)));
                }
            }
        }
        return davsync::DecodedItem { uid, QByteArray(record.data(), R::Size) };
    };
    c.markConflictCopy = [calendar](char* bytes, const QString& mark) {
        R record = R::fromBytes(bytes);
        const auto notes = typename R::Field(calendar ? 14 : 28);
        record.setText(notes, mark + u' ' + record.text(notes));
        std::memcpy(bytes, record.data(), R::Size);
    };
    c.unmarkConflictCopy = [calendar](char* bytes) {
        R record = R::fromBytes(bytes);
        const auto notes = typename R::Field(calendar ? 14 : 28);
        const QString text = record.text(notes);
        if (text.startsWith(QStringLiteral("Copia in conflitto"))) {
            // The mark ends with the time of the copy: "… del dd/MM/yyyy HH:mm".
            const qsizetype end = text.indexOf(u' ', 46);
            record.setText(notes, end < 0 ? QString() : text.mid(end + 1));
        }
        std::memcpy(bytes, record.data(), R::Size);
    };
    c.retireConflictCopy = [calendar](char* bytes, const QString& mark) {
        R record = R::fromBytes(bytes);
        const auto notes = typename R::Field(calendar ? 14 : 28);
        record.setText(notes, mark);
        // An appointment out of use: done, without notice.
        if (calendar) {
            record.setText(typename R::Field(4), QStringLiteral("0"));
            record.setText(typename R::Field(15), QStringLiteral("Sì"));
        }
        std::memcpy(bytes, record.data(), R::Size);
    };
    return c;
}

} // namespace standin

// Installs the stand-in conversions for both kinds.
inline void installStandInCodecs()
{
    davsync::ItemCodec appointments = standin::codec<records::AppointmentLayout>(true);
    appointments.archive = QStringLiteral("Archivio_Appuntamenti.qzv");
    appointments.contentType = "text/calendar; charset=utf-8";
    appointments.extension = QStringLiteral(".ics");
    davsync::codecs::install(davsync::Kind::Appointments, appointments);
    davsync::ItemCodec contacts = standin::codec<records::ContactLayout>(false);
    contacts.archive = QStringLiteral("Contatti.qzv");
    contacts.contentType = "text/vcard; charset=utf-8";
    contacts.extension = QStringLiteral(".vcf");
    davsync::codecs::install(davsync::Kind::Contacts, contacts);
}

} // namespace testsupport
