#include "appointments/appointmentexports.h"

#include "appointments/appointmentrules.h"
#include "storage/programfolder.h"
#include "ui/services.h"

using namespace Qt::Literals::StringLiterals;

namespace appointments {

namespace {

ui::ExportDefinition selection(Selection kind, const QDate& selectedDay, const QString& objectName,
    const QString& caption, const QString& fileName, const QString& worksheet, const QString& editablePhone)
{
    ExportTable table = selectionTable(kind, ui::clock::today(), selectedDay);
    for (auto& c : table.columns)
        c.head.editable = c.head.editable || c.head.component == editablePhone;
    return ui::exportOf({ objectName, caption, fileName, worksheet, u"Visualizzazione appuntamenti."_s, {}, {} },
        std::move(table), programFolder::Appointments);
}

} // namespace

ui::ExportDefinition archiveExport()
{
    return ui::exportOf(
        { u"frmExpScadenzario"_s, u" Esportazione archivio appuntamenti"_s, u"Riepilogo_Appuntamenti.xls"_s,
            u"Riepilogo Appuntamenti"_s, u"Esportazione archivio appuntamenti in Microsoft Excel."_s, {}, {} },
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
