#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class TfrmIban;
}

// Checks a IBAN typed or handed over by the contact card.
class TfrmIban : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit TfrmIban(const QString& initial = QString(), QWidget* parent = nullptr);
    ~TfrmIban() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::TfrmIban> ui;
};
