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

bool allows(FieldKind kind, QStringView text)
{
    const QStringView t = texts::trimmed(text);
    switch (kind) {
    case FieldKind::Text:
        return true;
    case FieldKind::RequiredDate:
        return texts::parseDate(t).has_value();
    case FieldKind::Date:
        return t.isEmpty() || texts::parseDate(t).has_value();
    case FieldKind::Hour:
        return t.isEmpty() || texts::isHourText(t.toString());
    case FieldKind::Minute:
        return t.isEmpty() || texts::isMinuteText(t.toString());
    case FieldKind::Days:
        return texts::parseDays(t.toString()).has_value();
    case FieldKind::Amount:
        return t.isEmpty() || texts::amountToCents(t.toString()).has_value();
    case FieldKind::YesNo:
        return t.isEmpty() || t == FixedText::Yes || t == FixedText::No;
    }
    return true;
}

} // namespace records
