#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class CardNumberWindow;
}

// Checks a carta di credito typed or handed over by the contact card.
class CardNumberWindow : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit CardNumberWindow(const QString& initial = QString(), QWidget* parent = nullptr);
    ~CardNumberWindow() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::CardNumberWindow> m_ui;
};
