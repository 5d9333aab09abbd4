#pragma once

#include "ui/placeholderarea.h"

// Agenda of commitments, reached from the main menu.
class TfrmAgenda : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit TfrmAgenda(QWidget* parent = nullptr);
};

extern TfrmAgenda* frmAgenda;
