#pragma once
// The four exchanges of the program folder's archives with calendar and
// address-book files: the export of every appointment or contact to one
// file, and the import of a file in two steps, a plan that the user sees
// (what will be added, updated and skipped, and why) and its application.
// The screen and the command line call these same functions.

#include "exchange/icalendar.h"
#include "exchange/incoming.h"
#include "exchange/vcard.h"
#include "storage/itemmap.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <exception>

namespace exchange {

enum class Archive { Appointments, Contacts };

// The file of an export could not be written: nothing was replaced.
class WriteFailure : public std::exception {
public:
    explicit WriteFailure(QString path, QString detail = QString());
    // "Impossibile scrivere il file ..."
    QString message() const;
    const char* what() const noexcept override;

private:
    QString m_path;
    QString m_detail;
    QByteArray m_what;
};

// The file of an import could not be read: nothing was imported.
class ReadFailure : public std::exception {
public:
    // `error` the errno of the failure; 0 for a file that is empty.
    explicit ReadFailure(QString path, int error = 0);
    // What went wrong, file named: missing, not readable, empty, too big…
    QString message() const;
    const char* what() const noexcept override { return "read failure"; }

private:
    QString m_path;
    int m_error;
};

// The bytes of the file to import, as UTF-8 when it was written in UTF-16;
// throws ReadFailure (missing, unreadable, empty, larger than any calendar
// or address book).
QByteArray readImportFile(const QString& path);

struct ExportOutcome {
    int written = 0;
    int skipped = 0; // records without a date (appointments) or a name (contacts)
};

// Every appointment of the archive to the calendar file `path`, written whole
// through a temporary file. Throws AccessFailure (the archive) or
// WriteFailure (the file).
ExportOutcome exportCalendar(const QString& path, const QDateTime& stamp);
// Every contact of the archive to the address-book file `path`.
ExportOutcome exportContacts(const QString& path, const vcard::Options& options);

struct PlanEntry {
    enum class Action { Add, Update, Skip };
    Action action = Action::Skip;
    Incoming item;       // its record is what the archive will hold
    qint64 position = 0; // the record an update rewrites, or that an unchanged or conflicting item names
    QByteArray before;   // that record as the plan read it
    QByteArray received; // the record as the file gives it: what is remembered as last received
    QString reason;      // why an entry is skipped, or which record it updates
    // A conflict copy: the file's version of a record that the office
    // changed too, added beside it; it names no item.
    bool conflictCopy = false;
    // A record left as it is whose item is remembered as received now.
    bool remember = false;
};

struct Plan {
    Archive archive = Archive::Appointments;
    QList<PlanEntry> entries;
    int count(PlanEntry::Action action) const;
};

// The record `item` becomes over the record `before` of the archive: the
// fields the item does not carry taken from `before`.
QByteArray mergedRecord(Archive archive, const Incoming& item, const QByteArray& before);

// The map of records and items of an archive of the program folder.
itemmap::ItemMap loadItemMap(Archive archive, ArchiveFile* open = nullptr);

// What importing `items` into the archive would do, read from the archive
// and its imported UIDs now; nothing is written. Throws AccessFailure.
Plan planImport(Archive archive, const QList<Incoming>& items);

// The plan of a calendar or address-book file; throws FileDamage or AccessFailure.
Plan planCalendarFile(const QByteArray& file, const ical::Range& range);
Plan planContactsFile(const QByteArray& file);

struct ImportOutcome {
    int added = 0;
    int updated = 0;
    int skipped = 0;
    qint64 firstAdded = 0; // the position of the first record added
};

// Writes the plan under the archive's lock, all of it or nothing: a failure
// half way takes back what was appended and rewritten. Throws AccessFailure,
// or PlanOutdated when a record to update changed since the plan was made.
ImportOutcome applyImport(const Plan& plan);

class PlanOutdated : public std::exception {
public:
    static QString message();
    const char* what() const noexcept override { return "plan outdated"; }
};

// What the preview and the command line show of a plan: one line per entry
// ("Aggiungere: 05/03/2024 09:30  Riunione"; "Saltare: … (senza data di
// inizio)") and the counts.
QString entryLine(const PlanEntry& entry);
QString planCounts(const Plan& plan);
QString outcomeText(const ImportOutcome& outcome);
QString exportText(Archive archive, const ExportOutcome& outcome, const QString& path);

// The path of an archive of the program folder.
QString archivePath(Archive archive);

} // namespace exchange
