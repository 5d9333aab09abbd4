#pragma once
// The appointment exports: the whole archive in file order, and the
// imminent appointments, those of a day and those of a month in date and
// time order.

#include "storage/exportrows.h"
#include "ui/exportscreen.h"

#include <QDate>

namespace appointments {

using ExportTable = exports::Table<records::AppointmentLayout>;

// The archive export: the record position, then thirteen fields.
ExportTable archiveTable();

enum class Selection { Imminent, Day, Month };
// The selection lists: a running number, fourteen fields with the
// chronological key last, sorted by the key without regard to case. In the
// imminent list a record whose date or notice days cannot be read is left out.
ExportTable selectionTable(Selection selection, const QDate& today, const QDate& selectedDay);

// The export of the whole archive.
ui::ExportDefinition archiveExport();
// The exports of the agenda: imminent appointments, those of the day and
// those of the month of `selectedDay`.
ui::ExportDefinition imminentExport();
ui::ExportDefinition dayExport(const QDate& selectedDay);
ui::ExportDefinition monthExport(const QDate& selectedDay);

} // namespace appointments
