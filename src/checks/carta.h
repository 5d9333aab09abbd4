#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class TfrmCarta;
}

// Checks a carta di credito typed or handed over by the contact card.
class TfrmCarta : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit TfrmCarta(const QString& initial = QString(), QWidget* parent = nullptr);
    ~TfrmCarta() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::TfrmCarta> ui;
};
