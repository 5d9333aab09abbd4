#pragma once
// The printed appointment card: portrait A4, a framed row for every value
// of the card, and the moment of printing at the bottom.

#include "appointments/archivioscadenze.h"
#include "ui/report.h"

namespace appointments {

report::Template cardTemplate();
// Fills the template from the card's values, as the confirm of the print
// and preview screens does, and prepares it.
void fillCard(report::Template& report, const AppointmentCardValues& values);

} // namespace appointments
