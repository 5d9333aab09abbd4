#pragma once
// The screens the appointment card and the agenda open over themselves, each
// a new instance shown modally and destroyed when closed.

class QWidget;

namespace appointments {

void openCardPrint(QWidget* card);
void openCardPreview(QWidget* card);
void openSearch(QWidget* card);
void openToFulfil(QWidget* card);
void openExpired(QWidget* card);
void openFulfilled(QWidget* card);
void openArchiveExport(QWidget* card);
void openContactImport(QWidget* card);

} // namespace appointments
