#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmStartup;
}

// Shows the print preview of the appointment card as the screen shows it.
class TfrmStartup : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStartup(QWidget* parent = nullptr);
    ~TfrmStartup() override;
    void btnStampaClick();

private:
    QScopedPointer<Ui::TfrmStartup> ui;
};
