#include "storage/records.h"

#include "storage/texts.h"

namespace records {

void appendChronologicalKey(QString& out, QStringView date, QStringView hour, QStringView minute)
{
    const QStringView d = texts::trimmed(date);
    out.append(d.mid(6, 4));
    out.append(d.mid(3, 2));
    out.append(d.mid(0, 2));
    out.append(texts::trimmed(hour));
    out.append(texts::trimmed(minute));
}

QString chronologicalKey(const QString& date, const QString& hour, const QString& minute)
{
    QString key;
    appendChronologicalKey(key, date, hour, minute);
    return key;
}

QString chronologicalKey(const AppointmentView& record)
{
    return chronologicalKey(record.text(AppointmentField::date), record.text(AppointmentField::hour),
        record.text(AppointmentField::minute));
}

} // namespace records
