#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class CodiceFiscaleWindow;
}

// Checks a codice fiscale typed or handed over by the contact card.
class CodiceFiscaleWindow : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit CodiceFiscaleWindow(const QString& initial = QString(), QWidget* parent = nullptr);
    ~CodiceFiscaleWindow() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::CodiceFiscaleWindow> m_ui;
};
