#include "appointments/archivioscadenze.h"

TfrmArchivio_Scadenze* frmArchivio_Scadenze = nullptr;

TfrmArchivio_Scadenze::TfrmArchivio_Scadenze(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Archivio appuntamenti"), QStringLiteral("Archivio appuntamenti"),
                          QStringLiteral("x-office-calendar;view-calendar"), parent)
{
}
