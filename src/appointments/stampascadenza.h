#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmStampaScadenza;
}

// Prints the appointment card as the screen shows it.
class TfrmStampaScadenza : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStampaScadenza(QWidget* parent = nullptr);
    ~TfrmStampaScadenza() override;
    void btnStampaClick();

private:
    QScopedPointer<Ui::TfrmStampaScadenza> ui;
};
