#include "appointments/appointmentexports.h"

#include "appointments/appointmentrules.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/services.h"

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;
using Value = exports::Value<records::AppointmentLayout>;

namespace appointments {

namespace {

exports::Column<records::AppointmentLayout> column(const QString& component, const QString& caption, int width,
                                                   Value value)
{
    return {{component, caption, {caption, width}}, std::move(value)};
}

// The columns of every appointment export: the number, then the fields as
// the grids show them, fulfilled before notes, and the chronological key when
// asked for. The columns named in `editable` accept typing.
QList<exports::Column<records::AppointmentLayout>> columns(bool withKey, const QStringList& editable)
{
    QList<exports::Column<records::AppointmentLayout>> c = {
        {{u"colNum"_s, u"N."_s, {}}, Value::number()},
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
        c.append(column(u"colCodice"_s, u"Codice univoco"_s, 150, Value::computed([](const AppointmentView& r) {
                            return records::chronologicalKey(r);
                        })));
    }
    for (auto& each : c)
        each.head.editable = editable.contains(each.head.component);
    return c;
}

constexpr int KeyColumn = 14;

ui::ExportDefinition selection(Selection kind, const QDate& selectedDay, const QString& objectName,
                               const QString& caption, const QString& fileName, const QString& worksheet,
                               const QString& editablePhone)
{
    ExportTable table = selectionTable(kind, ui::clock::today(), selectedDay);
    for (auto& c : table.columns)
        c.head.editable = c.head.editable || c.head.component == editablePhone;
    return ui::exportOf({objectName, caption, fileName, worksheet, u"Visualizzazione appuntamenti."_s, {}, {}},
                        std::move(table),
                        programFolder::Appointments);
}

} // namespace

ExportTable archiveTable()
{
    return {columns(false, {u"colDettagli"_s, u"colContatto"_s, u"colTel"_s}), {{}, exports::Numbering::Position}};
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
    return {columns(true, {u"colDettagli"_s, u"colContatto"_s, u"colCodice"_s}),
            {std::move(keep), exports::Numbering::Running, KeyColumn}};
}

ui::ExportDefinition archiveExport()
{
    return ui::exportOf({u"frmExpScadenzario"_s, u" Esportazione archivio appuntamenti"_s,
                         u"Riepilogo_Appuntamenti.xls"_s, u"Riepilogo Appuntamenti"_s,
                         u"Esportazione archivio appuntamenti in Microsoft Excel."_s, {}, {}},
                        archiveTable(), programFolder::Appointments);
}

ui::ExportDefinition imminentExport()
{
    return selection(Selection::Imminent, ui::clock::today(), u"frmExpImminenti"_s, u" Appuntamenti imminenti"_s,
                     u"Appuntamenti_Imminenti.xls"_s, u"Appuntamenti imminenti"_s, u"colCel"_s);
}

ui::ExportDefinition dayExport(const QDate& selectedDay)
{
    return selection(Selection::Day, selectedDay, u"frmExpGiornaliere"_s, u" Appuntamenti del giorno"_s,
                     u"Appuntamenti_Giornalieri.xls"_s, u"Appuntamenti del giorno"_s, u"colTel"_s);
}

ui::ExportDefinition monthExport(const QDate& selectedDay)
{
    return selection(Selection::Month, selectedDay, u"frmExpMensili"_s, u" Appuntamenti del mese"_s,
                     u"Appuntamenti_Mensili.xls"_s, u"Appuntamenti del mese"_s, u"colTel"_s);
}

} // namespace appointments
