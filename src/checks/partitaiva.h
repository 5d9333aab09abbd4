#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class TfrmPartitaIva;
}

// Checks a partita IVA typed or handed over by the contact card.
class TfrmPartitaIva : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit TfrmPartitaIva(const QString& initial = QString(), QWidget* parent = nullptr);
    ~TfrmPartitaIva() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::TfrmPartitaIva> ui;
};
