#include "storage/records.h"

#include "storage/texts.h"

namespace records {

QString chronologicalKey(const QString& date, const QString& hour, const QString& minute)
{
    const QString d = texts::trim(date);
    return d.mid(6, 4) + d.mid(3, 2) + d.mid(0, 2) + texts::trim(hour) + texts::trim(minute);
}

QString chronologicalKey(const AppointmentView& record)
{
    return chronologicalKey(record.text(AppointmentField::date), record.text(AppointmentField::hour),
                            record.text(AppointmentField::minute));
}

} // namespace records
