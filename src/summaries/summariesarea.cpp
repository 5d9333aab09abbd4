#include "summaries/summariesarea.h"


SummariesArea::SummariesArea(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Riepiloghi appuntamenti"), QStringLiteral("Riepiloghi appuntamenti"), QStringLiteral("x-office-spreadsheet;office-chart-bar"), parent)
{
    setObjectName(QStringLiteral("frmMenuRiepCosti"));
}
