#pragma once

#include "ui/placeholderarea.h"

// Working area reached from the main menu.
class TfrmClienti : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit TfrmClienti(QWidget* parent = nullptr);
};

extern TfrmClienti* frmClienti;
