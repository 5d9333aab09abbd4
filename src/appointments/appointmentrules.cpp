#include "appointments/appointmentrules.h"

#include "storage/archivefile.h"
#include "storage/texts.h"

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace appointments {

QString listLine(const AppointmentView& r)
{
    return u"Data: "_s + texts::pad(r.text(F::date), 10) + u"  Ora: "_s + texts::pad(r.text(F::time), 5)
           + u"  Causale: "_s + texts::pad(r.text(F::purpose), 54) + u"  Contatto: "_s
           + texts::pad(r.text(F::contact), 30) + u" Cel. "_s + r.text(F::mobile);
}

QString agendaLine(const AppointmentView& r)
{
    return u"ID: "_s + records::chronologicalKey(r) + u"  Data: "_s + texts::pad(r.text(F::date), 10) + u"  Ora: "_s
           + texts::pad(r.text(F::time), 5) + u"  "_s + texts::pad(r.text(F::purpose), 45) + u"  Contatto: "_s
           + texts::pad(r.text(F::contact), 30) + u" Cel. "_s + r.text(F::mobile);
}

Due dueState(const AppointmentView& r, const QDate& today)
{
    if (!r.isNo(F::fulfilled))
        return Due::No;
    const auto date = texts::parseDate(r.text(F::date));
    const auto days = texts::parseDays(r.text(F::noticeDays));
    if (!date || !days)
        return Due::Unreadable;
    return date->addDays(-*days) <= today ? Due::Yes : Due::No;
}

DuePass dueRows(const QString& path, const QDate& today)
{
    DuePass pass;
    try {
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
            const AppointmentView r(bytes);
            if (dueState(r, today) == Due::Yes)
                pass.rows.append({agendaLine(r), position});
        });
    } catch (const AccessFailure&) {
        pass.complete = false;
    }
    return pass;
}

bool inState(const AppointmentView& r, State state, const QDate& today)
{
    switch (state) {
    case State::ToFulfil:
        return r.isNo(F::fulfilled);
    case State::Fulfilled:
        return r.isYes(F::fulfilled);
    case State::Expired: {
        if (!r.isNo(F::fulfilled))
            return false;
        const auto date = texts::parseDate(r.text(F::date));
        return date && *date < today;
    }
    }
    return false;
}

lists::Rows stateRows(const QString& path, State state, const QDate& today)
{
    lists::Rows rows;
    try {
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
            const AppointmentView r(bytes);
            if (inState(r, state, today))
                rows.append({listLine(r), position});
        });
    } catch (const AccessFailure&) {
    }
    return rows;
}

} // namespace appointments
