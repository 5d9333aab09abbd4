#include "summaries/menuriepcosti.h"

TfrmMenuRiepCosti* frmMenuRiepCosti = nullptr;

TfrmMenuRiepCosti::TfrmMenuRiepCosti(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Riepiloghi appuntamenti"), QStringLiteral("Riepiloghi appuntamenti"), QStringLiteral("x-office-spreadsheet;office-chart-bar"), parent)
{
}
