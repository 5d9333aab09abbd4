#pragma once

#include "ui/placeholderarea.h"

// Working area reached from the main menu.
class SummariesArea : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit SummariesArea(QWidget* parent = nullptr);
};

