#include "documents/documentsarea.h"


DocumentsArea::DocumentsArea(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Archivio Documenti"), QStringLiteral("Archivio documenti"), QStringLiteral("folder-documents;x-office-document"), parent)
{
    setObjectName(QStringLiteral("frmAltri"));
}
