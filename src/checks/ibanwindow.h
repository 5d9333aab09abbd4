#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class IbanWindow;
}

// Checks a IBAN typed or handed over by the contact card.
class IbanWindow : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit IbanWindow(const QString& initial = QString(), QWidget* parent = nullptr);
    ~IbanWindow() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::IbanWindow> m_ui;
};
