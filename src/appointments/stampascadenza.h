#pragma once

#include "appointments/cardprint.h"

#include <QScopedPointer>

namespace Ui {
class TfrmStampaScadenza;
}

// Prints the appointment card as the screen shows it.
class TfrmStampaScadenza : public appointments::CardPrintScreen {
    Q_OBJECT
public:
    explicit TfrmStampaScadenza(QWidget* parent = nullptr);
    ~TfrmStampaScadenza() override;

private:
    QScopedPointer<Ui::TfrmStampaScadenza> ui;
};
