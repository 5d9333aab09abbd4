#pragma once
// The printed document card "repDocumento": one A4 portrait page with the
// title band, 21 framed rows of label and value, and the moment of printing.

#include "ui/cardpattern.h"
#include "ui/report.h"

namespace documents {

inline constexpr int PrintedRows = 21;

// The template filled with these rows (label and value each, one line cut
// at the field's edge, printed literally) and the footer, prepared.
report::Template documentCardReport(const QList<ui::PrintRow>& rows);

} // namespace documents
