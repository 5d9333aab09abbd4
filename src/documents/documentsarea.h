#pragma once

#include "ui/placeholderarea.h"

// Working area reached from the main menu.
class DocumentsArea : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit DocumentsArea(QWidget* parent = nullptr);
};

