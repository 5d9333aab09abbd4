#pragma once
// The screens the appointment card and the agenda open over themselves, each
// a new instance shown modally and destroyed when closed.

class QString;
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

void openDayList(QWidget* agenda);
void openMonthList(QWidget* agenda);
void openImminentList(QWidget* agenda);

// Loads onto the appointment card every record whose list line is `line`
// (the last one in the file stays) with its position. A failure leaves the
// card as far as it got, without a message.
void loadLineOntoCard(const QString& line);

} // namespace appointments
