#pragma once

#include "checks/checkerwindow.h"

#include <QScopedPointer>

namespace Ui {
class PartitaIvaWindow;
}

// Checks a partita IVA typed or handed over by the contact card.
class PartitaIvaWindow : public checks::CheckerWindow {
    Q_OBJECT
public:
    explicit PartitaIvaWindow(const QString& initial = QString(), QWidget* parent = nullptr);
    ~PartitaIvaWindow() override;

protected:
    void btnControllaClick() override;

private:
    QScopedPointer<Ui::PartitaIvaWindow> m_ui;
};
