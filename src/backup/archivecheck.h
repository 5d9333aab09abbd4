#pragma once
// The check of a program folder's archives ("Verifica archivi"): it reads
// every archive under its lock and writes nothing, and tells what a careful
// reader would want to know before trusting them.

#include "backup/backuprules.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace backup::check {

// A record some of whose fields cannot be read as its layout says: the
// length byte passes the field's capacity.
struct DamagedRecord {
    qint64 position = 0;    // 1-based
    QList<int> fields;      // 1-based field numbers, in layout order
    QList<int> lengthBytes; // the length byte found in each of them
    bool zeroed = false;    // every byte zero: a stretch of the disk wiped, no record the program writes
};

// A record some of whose fields hold what the program's rules cannot read
// (a date that is no date, an hour past 23, an amount that is no amount).
struct InvalidRecord {
    qint64 position = 0;
    QStringList fields; // each as "Caption \"text\""
};

struct ArchiveReport {
    QString name;
    bool present = false;
    qint64 records = 0;
    qint64 damagedRecords = 0;
    QList<DamagedRecord> damaged; // the first MaxListed of them
    qint64 invalidRecords = 0;
    QList<InvalidRecord> invalid; // the first MaxListed of them
    qint64 tailBytes = 0;         // a partial record at the end
    bool noteLeft = false;        // a rewrite note beside the archive
    QString note;                 // the name of the first of them
    // The archive's record-to-item map, when it has one: its entries, those
    // that no longer name their record (past the end, or changed by what
    // does not note its writes), and whether it could not be read.
    bool hasMap = false;
    bool mapUnreadable = false;
    qint64 mapEntries = 0;
    qint64 mapUncertain = 0;
};

// An attachment name and the first record that gives it.
struct Attachment {
    QString name;
    QString archive;
    qint64 position = 0;
};

struct Report {
    QList<ArchiveReport> archives;
    QList<Attachment> missing; // named by a record, absent from the folder
    QStringList orphans;       // in the folder, named by no record
    bool cancelled = false;
    // Damaged records and partial tails written out, when asked for.
    qint64 bytesWrittenOut = 0;

    bool clean() const;
    // Not one of the archives is in the folder (a share not mounted, a wrong path).
    bool noArchives() const;
    bool hasDamagedBytes() const; // damaged records or partial tails
    // The report as the user reads it, one finding a line, in Italian.
    QStringList lines() const;
};

constexpr int MaxListed = 200;

// Checks the folder. With `damagedOut`, the raw bytes of each damaged
// record and partial tail go to that file, each after a heading line
// "ARCHIVE record POSITION offset OFFSET bytes SIZE" and followed by a line
// break. A failure to read an archive is thrown as AccessFailure; one to
// write `damagedOut` is reported in `writeError`.
Report run(const QString& programFolder, const Progress& progress = {}, const QString& damagedOut = QString(),
    QString* writeError = nullptr);

// The file in the program folder that the screen offers to write.
inline const QString DamagedFileName = QStringLiteral("Record_danneggiati.bin");

} // namespace backup::check
