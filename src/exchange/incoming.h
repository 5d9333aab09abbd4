#pragma once
// One item read from a calendar or an address book, before it is planned.

#include <QByteArray>
#include <QList>
#include <QString>

namespace exchange {

struct Incoming {
    int line = 0;       // where the item begins in the file
    QString uid;        // the item's UID; empty when it has none
    QString key;        // what recognises it again: the UID, and for an occurrence of a repeating event its date
    QString label;      // what the preview shows of it
    QString skipReason; // not empty: the item is skipped, for this reason
    QByteArray record;  // the whole record it becomes
    // Fields that an update leaves as they are in the archive, because the
    // file does not carry them.
    QList<int> keptFields;
    // The item as the file wrote it (UTF-8), kept with the record so that
    // what the card cannot hold goes out again; empty when the record alone
    // stands for it (an occurrence of a repeating event).
    QByteArray original;
    // What the card will show cut or changed: the captions of the fields
    // whose text is longer than the field or has characters it cannot hold.
    QStringList altered;
    // An event its organiser cancelled: skipped by an import, though its
    // record is made, for whoever marks the appointment instead.
    bool cancelled = false;
    // A group of contacts (a list of members, not a person or a firm): no
    // contact, skipped.
    bool group = false;
};

} // namespace exchange
