#include "appointments/appointmentscreens.h"

#include "appointments/appointmentrules.h"
#include "appointments/archivioscadenze.h"
#include "appointments/stampascadenza.h"
#include "appointments/startup.h"
#include "appointments/trovascadenze.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "summaries/appointmentexports.h"
#include "summaries/statelist.h"

using namespace Qt::Literals::StringLiterals;

namespace appointments {

void openCardPrint(QWidget* card)
{
    TfrmStampaScadenza screen(card);
    screen.exec();
}

void openCardPreview(QWidget* card)
{
    TfrmStartup screen(card);
    screen.exec();
}

void openSearch(QWidget* card)
{
    TfrmTrovaScadenze screen(card);
    screen.setTag(u"scadenze"_s);
    screen.exec();
}

void openToFulfil(QWidget* card)
{
    TfrmConfermati screen(card);
    screen.exec();
}

void openExpired(QWidget* card)
{
    TfrmScaduti screen(card);
    screen.exec();
}

void openFulfilled(QWidget* card)
{
    TfrmAssolti screen(card);
    screen.exec();
}

void openArchiveExport(QWidget* card)
{
    TfrmExpScadenzario screen(card);
    screen.exec();
}
// The contact search is not part of this version yet: the picture does nothing.
void openContactImport(QWidget*) {}
void openDayList(QWidget* agenda)
{
    TfrmExpGiornaliere screen(agenda);
    screen.exec();
}

void openMonthList(QWidget* agenda)
{
    TfrmExpMensili screen(agenda);
    screen.exec();
}

void openImminentList(QWidget* agenda)
{
    TfrmExpImminenti screen(agenda);
    screen.exec();
}

void loadLineOntoCard(const QString& line)
{
    try {
        const auto found = recordsWithLine(programFolder::file(programFolder::Appointments), line, listLine);
        for (const auto& f : found)
            frmArchivio_Scadenze->showRecord(f.record.constData(), f.position);
    } catch (const AccessFailure&) {
    }
}

} // namespace appointments
