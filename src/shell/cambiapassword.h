#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class TfrmCambiaPassword;
}

// Change of the one password, reached from the gate.
class TfrmCambiaPassword : public QWidget {
    Q_OBJECT
public:
    explicit TfrmCambiaPassword(QWidget* parent = nullptr);
    ~TfrmCambiaPassword() override;
    // Shows the screen with its three fields empty and the focus in the first.
    void showEmpty();

    void cmdOKClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateOK();
    QScopedPointer<Ui::TfrmCambiaPassword> ui;
};

extern TfrmCambiaPassword* frmCambiaPassword;
