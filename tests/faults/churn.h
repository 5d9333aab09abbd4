#pragma once
// The records of the killed-save tests: record `position` in its
// `generation`, every field filled to its capacity from the two numbers, so
// that a record made of two generations is told from a whole one.

#include "storage/records.h"

#include <QString>
#include <QStringList>

#include <cstring>
#include <optional>
#include <utility>

namespace churn {

inline AppointmentRecord record(qint64 position, int generation)
{
    AppointmentRecord r;
    for (int f = 0; f < AppointmentRecord::FieldCount; ++f) {
        const auto field = AppointmentField(f);
        const QChar letter(char16_t(u'a' + (position * 7 + generation * 3 + f) % 26));
        r.setText(field, QString(AppointmentRecord::capacity(field), letter));
    }
    r.setText(AppointmentField::purpose, QStringLiteral("%1/%2").arg(position).arg(generation));
    return r;
}

// The position and generation of a whole record of this kind; nullopt for
// anything else.
inline std::optional<std::pair<qint64, int>> tag(const char* bytes)
{
    const QStringList parts = AppointmentRecord::fromBytes(bytes).text(AppointmentField::purpose).split(u'/');
    if (parts.size() != 2)
        return std::nullopt;
    const qint64 position = parts[0].toLongLong();
    const int generation = parts[1].toInt();
    if (std::memcmp(bytes, record(position, generation).data(), AppointmentRecord::Size) != 0)
        return std::nullopt;
    return std::pair { position, generation };
}

} // namespace churn
