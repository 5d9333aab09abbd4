#include "appointments/appointmentrules.h"

#include "storage/archivefile.h"
#include "storage/texts.h"

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;
using Value = exports::Value<records::AppointmentLayout>;

namespace appointments {

QString listLine(const AppointmentView& r)
{
    return u"Data: "_s + texts::pad(r.text(F::date), 10) + u"  Ora: "_s + texts::pad(r.text(F::time), 5)
        + u"  Causale: "_s + texts::pad(r.text(F::purpose), 54) + u"  Contatto: "_s + texts::pad(r.text(F::contact), 30)
        + u" Cel. "_s + r.text(F::mobile);
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
    const auto start = noticeStart(r);
    if (!start)
        return Due::Unreadable;
    return *start <= today ? Due::Yes : Due::No;
}

std::optional<QDate> noticeStart(const AppointmentView& r)
{
    const auto date = texts::parseDate(r.text(F::date));
    const auto days = texts::parseDays(r.text(F::noticeDays));
    if (!date || !days)
        return std::nullopt;
    return date->addDays(-*days);
}

DuePass dueRows(const QString& path, const QDate& today)
{
    DuePass pass;
    try {
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
            const AppointmentView r(bytes);
            if (dueState(r, today) == Due::Yes)
                pass.rows.append({ agendaLine(r), position });
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
                rows.append({ listLine(r), position });
        });
    } catch (const AccessFailure&) {
    }
    return rows;
}

namespace {

exports::Column<records::AppointmentLayout> column(
    const QString& component, const QString& caption, int width, Value value)
{
    return { { component, caption, { caption, width } }, std::move(value) };
}

// The columns of every appointment export: the number, then the fields as
// the grids show them, fulfilled before notes, and the chronological key when
// asked for. The columns named in `editable` accept typing.
QList<exports::Column<records::AppointmentLayout>> columns(bool withKey, const QStringList& editable)
{
    QList<exports::Column<records::AppointmentLayout>> c = {
        exports::Column<records::AppointmentLayout>::number(),
        column(u"colData"_s, u"Data appuntamento"_s, 180, Value::field(F::date)),
        column(u"colOra"_s, u"Ora"_s, 150, Value::field(F::time)),
        column(u"colTipologia"_s, u"Tipologia"_s, 250, Value::field(F::commitmentType)),
        column(u"colCausale"_s, u"Causale"_s, 400, Value::field(F::purpose)),
        column(u"colDettagli"_s, u"Dettagli"_s, 400, Value::field(F::details)),
        column(u"colContatto"_s, u"Persona o Ditta"_s, 300, Value::field(F::contact)),
        column(u"colTel"_s, u"Telefono"_s, 200, Value::field(F::phone)),
        column(u"colCel"_s, u"Cellulare"_s, 200, Value::field(F::mobile)),
        column(u"colEmail"_s, u"E-mail"_s, 250, Value::field(F::email)),
        column(u"colLuogo"_s, u"Luogo"_s, 300, Value::field(F::place)),
        column(u"colImporto"_s, u"Importo"_s, 200, Value::field(F::amount)),
        column(u"colOttemperata"_s, u"Impegno assolto"_s, 200, Value::field(F::fulfilled)),
        column(u"colNote"_s, u"Note"_s, 400, Value::field(F::notes)),
    };
    if (withKey) {
        c.append(column(u"colCodice"_s, u"Codice univoco"_s, 150,
            Value::computed([](const AppointmentView& r) { return records::chronologicalKey(r); })));
    }
    for (auto& each : c)
        each.head.editable = editable.contains(each.head.component);
    return c;
}

constexpr int KeyColumn = 14;

} // namespace

ExportTable archiveTable()
{
    return { columns(false, { u"colDettagli"_s, u"colContatto"_s, u"colTel"_s }),
        { {}, exports::Numbering::Position } };
}

ExportTable selectionTable(Selection selection, const QDate& today, const QDate& selectedDay)
{
    const QString day = texts::formatDate(selectedDay);
    std::function<bool(const AppointmentView&)> keep;
    switch (selection) {
    case Selection::Imminent:
        keep = [today](const AppointmentView& r) { return dueState(r, today) == Due::Yes; };
        break;
    case Selection::Day:
        keep = [day](const AppointmentView& r) { return r.text(F::date) == day; };
        break;
    case Selection::Month:
        // Characters 4 and 5, the month, and 7 to 10, the year, compared as text.
        keep = [month = day.mid(3, 2), year = day.mid(6, 4)](const AppointmentView& r) {
            const QString date = r.text(F::date);
            return date.mid(3, 2) == month && date.mid(6, 4) == year;
        };
        break;
    }
    return { columns(true, { u"colDettagli"_s, u"colContatto"_s, u"colCodice"_s }),
        { std::move(keep), exports::Numbering::Running, KeyColumn } };
}

} // namespace appointments
