#pragma once

#include "appointments/cardprint.h"

#include <QScopedPointer>

namespace Ui {
class TfrmStartup;
}

// Shows the print preview of the appointment card as the screen shows it.
class TfrmStartup : public appointments::CardPrintScreen {
    Q_OBJECT
public:
    explicit TfrmStartup(QWidget* parent = nullptr);
    ~TfrmStartup() override;

private:
    QScopedPointer<Ui::TfrmStartup> ui;
};
