#pragma once
// The printed appointment card: portrait A4, a framed row for every value
// of the card, and the moment of printing at the bottom.

#include "appointments/archivioscadenze.h"
#include "ui/report.h"

#include <QDialog>

class QPushButton;

namespace appointments {

report::Template cardTemplate();
// Fills the template from the card's values, as the confirm of the print
// and preview screens does, and prepares it.
void fillCard(report::Template& report, const AppointmentCardValues& values);

// What the print and the preview screen share: "Annulla" closes, the
// confirm fills the card's template from the card on screen and hands it to
// the printer or to the preview.
class CardPrintScreen : public QDialog {
    Q_OBJECT
public:
    enum class Output { Printer, Preview };
    void btnStampaClick();

protected:
    CardPrintScreen(Output output, QWidget* parent);
    void setUpButtons(QPushButton* confirm, QPushButton* cancel);

private:
    Output m_output;
};

} // namespace appointments
