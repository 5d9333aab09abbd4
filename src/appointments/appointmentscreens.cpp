#include "appointments/appointmentscreens.h"

#include "appointments/stampascadenza.h"
#include "appointments/startup.h"

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

void openSearch(QWidget*) {}
void openToFulfil(QWidget*) {}
void openExpired(QWidget*) {}
void openFulfilled(QWidget*) {}
void openArchiveExport(QWidget*) {}
// The contact search is not part of this version yet: the picture does nothing.
void openContactImport(QWidget*) {}

} // namespace appointments
