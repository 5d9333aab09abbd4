#pragma once

#include "ui/placeholderarea.h"

// Working area reached from the main menu.
class ContactsArea : public ui::PlaceholderArea {
    Q_OBJECT
public:
    explicit ContactsArea(QWidget* parent = nullptr);
};

