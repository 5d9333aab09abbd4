#pragma once
// The printed contact card "Scheda informativa": A4 portrait, the logo and
// the title, 24 rows of label and value, and the moment of printing.

#include "ui/cardpattern.h"
#include "ui/report.h"

namespace contacts {

inline constexpr int PrintedRows = 24;

// The template filled with these rows (label and value each) and the
// footer, prepared.
report::Template contactCardReport(const QList<ui::PrintRow>& rows);

} // namespace contacts
