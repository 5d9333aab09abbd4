#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class TfrmPassword;
}

// The password gate: the main window and the first screen of the run.
class TfrmPassword : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPassword(QWidget* parent = nullptr);
    ~TfrmPassword() override;
    // Shown again after the password change: empty field, focus in it.
    void showAgain();

    void cmdOKClick();
    void cmdEsciClick();
    void btnCambiaPasswordClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QScopedPointer<Ui::TfrmPassword> ui;
};

extern TfrmPassword* frmPassword;
