#pragma once

#include "ui/placeholderarea.h"

// Working area reached from the main menu.
class TfrmMenuRiepCosti : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit TfrmMenuRiepCosti(QWidget* parent = nullptr);
};

extern TfrmMenuRiepCosti* frmMenuRiepCosti;
