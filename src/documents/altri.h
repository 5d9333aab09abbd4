#pragma once

#include "ui/placeholderarea.h"

// Working area reached from the main menu.
class TfrmAltri : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit TfrmAltri(QWidget* parent = nullptr);
};

extern TfrmAltri* frmAltri;
