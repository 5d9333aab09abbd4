#pragma once
// The appointment exports: the whole archive in file order, and the
// imminent appointments, those of a day and those of a month in date and
// time order.

#include "appointments/appointmentrules.h"
#include "ui/exportscreen.h"

#include <QDate>

namespace appointments {

// The export of the whole archive.
ui::ExportDefinition archiveExport();
// The exports of the agenda: imminent appointments, those of the day and
// those of the month of `selectedDay`.
ui::ExportDefinition imminentExport();
ui::ExportDefinition dayExport(const QDate& selectedDay);
ui::ExportDefinition monthExport(const QDate& selectedDay);

} // namespace appointments
