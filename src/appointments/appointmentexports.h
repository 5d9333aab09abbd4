#pragma once
// The appointment exports: the whole archive in file order, and the
// imminent appointments, those of a day and those of a month in date and
// time order.

#include "ui/exportscreen.h"

#include <optional>

#include <QDate>

namespace appointments {

// Rows of the archive export: position, then the thirteen fields. nullopt
// when the archive holds no record; the rows read so far on a failure.
std::optional<QList<QStringList>> archiveRows(const QString& path);

enum class Selection { Imminent, Day, Month };
// Rows of the selection lists: running number, fourteen fields with the
// chronological key last, sorted by the key without regard to case.
// nullopt when the archive holds no record. An access failure keeps the rows
// read so far, unsorted; in the imminent list a record whose date or notice
// days cannot be read is skipped.
std::optional<QList<QStringList>> selectionRows(const QString& path, Selection selection, const QDate& today,
                                                const QDate& selectedDay);

// Sorts rows by the text of one column without regard to case; rows with
// equal keys keep their order.
void sortRowsByColumn(QList<QStringList>& rows, int column);

} // namespace appointments

namespace appointments {

// The export of the whole archive.
ui::ExportDefinition archiveExport();
// The exports of the agenda: imminent appointments, those of the day and
// those of the month of `selectedDay`.
ui::ExportDefinition imminentExport();
ui::ExportDefinition dayExport(const QDate& selectedDay);
ui::ExportDefinition monthExport(const QDate& selectedDay);

} // namespace appointments
