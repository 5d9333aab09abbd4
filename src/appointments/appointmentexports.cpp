#include "appointments/appointmentexports.h"

#include "appointments/appointmentrules.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/texts.h"
#include "ui/services.h"

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace appointments {

namespace {

// The thirteen fields as the grids show them: fulfilled before notes.
QStringList fields(const AppointmentView& r)
{
    return {r.text(F::date),  r.text(F::time),   r.text(F::commitmentType), r.text(F::purpose), r.text(F::details),
            r.text(F::contact), r.text(F::phone), r.text(F::mobile),         r.text(F::email),   r.text(F::place),
            r.text(F::amount), r.text(F::fulfilled), r.text(F::notes)};
}

QList<ui::GridColumn> columns(bool withKey, const QStringList& editable)
{
    QList<ui::GridColumn> c = {
        {u"colNum"_s, u"N."_s, {}},
        {u"colData"_s, u"Data appuntamento"_s, {u"Data appuntamento"_s, 180}},
        {u"colOra"_s, u"Ora"_s, {u"Ora"_s, 150}},
        {u"colTipologia"_s, u"Tipologia"_s, {u"Tipologia"_s, 250}},
        {u"colCausale"_s, u"Causale"_s, {u"Causale"_s, 400}},
        {u"colDettagli"_s, u"Dettagli"_s, {u"Dettagli"_s, 400}},
        {u"colContatto"_s, u"Persona o Ditta"_s, {u"Persona o Ditta"_s, 300}},
        {u"colTel"_s, u"Telefono"_s, {u"Telefono"_s, 200}},
        {u"colCel"_s, u"Cellulare"_s, {u"Cellulare"_s, 200}},
        {u"colEmail"_s, u"E-mail"_s, {u"E-mail"_s, 250}},
        {u"colLuogo"_s, u"Luogo"_s, {u"Luogo"_s, 300}},
        {u"colImporto"_s, u"Importo"_s, {u"Importo"_s, 200}},
        {u"colOttemperata"_s, u"Impegno assolto"_s, {u"Impegno assolto"_s, 200}},
        {u"colNote"_s, u"Note"_s, {u"Note"_s, 400}},
    };
    if (withKey)
        c.append({u"colCodice"_s, u"Codice univoco"_s, {u"Codice univoco"_s, 150}});
    for (ui::GridColumn& column : c)
        column.editable = editable.contains(column.component);
    return c;
}

} // namespace

std::optional<QList<QStringList>> archiveRows(const QString& path)
{
    QList<QStringList> rows;
    try {
        ArchiveFile file;
        file.open(path, AppointmentRecord::Size, ArchiveFile::Access::Read);
        if (file.recordCount() == 0)
            return std::nullopt;
        while (!file.atEnd()) {
            const AppointmentView r(file.next());
            rows << (QStringList {QString::number(file.position())} + fields(r));
        }
        file.close();
    } catch (const AccessFailure&) {
    }
    return rows;
}

void sortRowsByColumn(QList<QStringList>& rows, int column)
{
    std::stable_sort(rows.begin(), rows.end(), [column](const QStringList& a, const QStringList& b) {
        return QString::compare(a.value(column), b.value(column), Qt::CaseInsensitive) < 0;
    });
}

std::optional<QList<QStringList>> selectionRows(const QString& path, Selection selection, const QDate& today,
                                                const QDate& selectedDay)
{
    const QString day = texts::formatDate(selectedDay);
    QList<QStringList> rows;
    int running = 1;
    try {
        ArchiveFile file;
        file.open(path, AppointmentRecord::Size, ArchiveFile::Access::Read);
        if (file.recordCount() == 0)
            return std::nullopt;
        while (!file.atEnd()) {
            const AppointmentView r(file.next());
            const QString date = r.text(F::date);
            bool listed = false;
            switch (selection) {
            case Selection::Imminent:
                listed = appointments::dueState(r, today) == appointments::Due::Yes;
                break;
            case Selection::Day:
                listed = date == day;
                break;
            case Selection::Month:
                listed = date.mid(3, 2) == day.mid(3, 2) && date.mid(6, 4) == day.mid(6, 4);
                break;
            }
            if (listed)
                rows << (QStringList {QString::number(running++)} + fields(r) + QStringList {records::chronologicalKey(r)});
        }
        file.close();
    } catch (const AccessFailure&) {
        return rows; // the rows read so far, not sorted
    }
    sortRowsByColumn(rows, 14);
    return rows;
}

} // namespace appointments

namespace appointments {

namespace {
ui::ExportDefinition selection(Selection kind, const QDate& selectedDay, const QString& objectName,
                               const QString& caption, const QString& fileName, const QString& worksheet,
                               const QString& editablePhone)
{
    return {objectName,
            caption,
            fileName,
            worksheet,
            u"Visualizzazione appuntamenti."_s,
            columns(true, {u"colDettagli"_s, u"colContatto"_s, u"colCodice"_s, editablePhone}),
            [kind, selectedDay] {
                return selectionRows(programFolder::file(programFolder::Appointments), kind,
                                                ui::clock::today(), selectedDay)
                    .value_or(QList<QStringList>());
            }};
}
} // namespace

ui::ExportDefinition archiveExport()
{
    return {u"frmExpScadenzario"_s,
            u" Esportazione archivio appuntamenti"_s,
            u"Riepilogo_Appuntamenti.xls"_s,
            u"Riepilogo Appuntamenti"_s,
            u"Esportazione archivio appuntamenti in Microsoft Excel."_s,
            columns(false, {u"colDettagli"_s, u"colContatto"_s, u"colTel"_s}),
            [] {
                return archiveRows(programFolder::file(programFolder::Appointments))
                    .value_or(QList<QStringList>());
            }};
}

ui::ExportDefinition imminentExport()
{
    return selection(Selection::Imminent, ui::clock::today(), u"frmExpImminenti"_s,
                     u" Appuntamenti imminenti"_s, u"Appuntamenti_Imminenti.xls"_s, u"Appuntamenti imminenti"_s,
                     u"colCel"_s);
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
