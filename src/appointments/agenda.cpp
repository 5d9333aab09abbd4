#include "appointments/agenda.h"

#include "appointments/archivioscadenze.h"

#include <QToolButton>

TfrmAgenda* frmAgenda = nullptr;

TfrmAgenda::TfrmAgenda(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Agenda impegni"), QStringLiteral("Agenda impegni"),
                          QStringLiteral("x-office-calendar;view-calendar"), parent)
{
    QToolButton* archive = addCommand(QStringLiteral("btnArchivio"), QStringLiteral("ARCHIVIO APPUNTAMENTI"),
                                      QStringLiteral("x-office-address-book;folder-documents"));
    connect(archive, &QToolButton::clicked, this, [this] {
        frmArchivio_Scadenze->show();
        hide();
    });
}
