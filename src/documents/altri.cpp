#include "documents/altri.h"

TfrmAltri* frmAltri = nullptr;

TfrmAltri::TfrmAltri(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Archivio Documenti"), QStringLiteral("Archivio documenti"), QStringLiteral("folder-documents;x-office-document"), parent)
{
}
