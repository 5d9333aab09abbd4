#pragma once

#include "ui/placeholderarea.h"

// Appointment card, reached from the agenda.
class TfrmArchivio_Scadenze : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit TfrmArchivio_Scadenze(QWidget* parent = nullptr);
};

extern TfrmArchivio_Scadenze* frmArchivio_Scadenze;
