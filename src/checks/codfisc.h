#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class TfrmCodFisc;
}

// Checks a codice fiscale typed or handed over by the contact card.
class TfrmCodFisc : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit TfrmCodFisc(const QString& initial = QString(), QWidget* parent = nullptr);
    ~TfrmCodFisc() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::TfrmCodFisc> ui;
};
