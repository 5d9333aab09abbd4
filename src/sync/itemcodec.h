#pragma once
// How the records of an archive travel as items of a server collection:
// per collection kind, the archive it syncs with and the conversion of a
// record to an item text with its UID and back. The conversions are plugged
// in by whoever provides them (install()); the sync itself knows records
// only as bytes of the archive's layout.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace davsync {

enum class Kind { Appointments, Contacts };

struct DecodedItem {
    QString uid;
    QByteArray record; // the archive's record size
    // What the office is told of the item when it comes in (an event
    // cancelled on the server, marked so in its record).
    QString note;
    // Not empty: why the item is no record of the archive, though it is a
    // well-made item (a group of contacts); it is left alone, not reported.
    QString notARecord;
};

struct ItemCodec {
    QString archive; // file name in the program folder
    int recordSize = 0;
    std::vector<int> capacities; // the layout's field capacities, for the digest
    QByteArray contentType;      // "text/calendar; charset=utf-8"
    QString extension;           // ".ics"
    // The letter of this folder's UIDs for the archive's records, as the
    // record-to-item map of the archive gives them ('A', 'C').
    QChar uidPrefix;
    // The item text of a record under this UID; empty when the record cannot
    // be one (an appointment without a valid date, a contact without a name).
    // `original`, when not empty, is the item as the server last had it: it
    // goes out as it is, with the fields `edited` of the record written over it.
    std::function<QByteArray(
        const char* record, const QString& uid, const QByteArray& original, std::span<const int> edited)>
        encode;
    // The record of an item text with its UID; nothing when the text is not one.
    // `base`, when not null, is the record the item replaces: what the item
    // does not carry stays as it was there.
    std::function<std::optional<DecodedItem>(const QByteArray& text, const char* base)> decode;
    // Marks a record as a copy kept from the server in a conflict, e.g. in its notes.
    std::function<void(char* record, const QString& mark)> markConflictCopy;
    // Takes the mark of markConflictCopy() away again: the server's version as it came.
    std::function<void(char* record)> unmarkConflictCopy;
    // Marks a copy whose conflict the office settled as out of use (`mark`
    // says so and when); an appointment gives no more reminders.
    std::function<void(char* record, const QString& mark)> retireConflictCopy;
};

namespace codecs {
// The conversion of a kind; nothing until one is installed.
const ItemCodec* find(Kind kind);
void install(Kind kind, ItemCodec codec);
void remove(Kind kind);
} // namespace codecs

// A digest of what a record says: each field's text, not the bytes after
// its length, which carry no meaning. Equal digests, equal records.
QByteArray recordDigest(const char* record, std::span<const int> capacities);

QString kindName(Kind kind); // "appuntamenti", "contatti"

} // namespace davsync
