#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class PasswordGate;
}

// The password gate: the main window and the first screen of the run.
class PasswordGate : public QWidget {
    Q_OBJECT
public:
    explicit PasswordGate(QWidget* parent = nullptr);
    ~PasswordGate() override;
    // Shown again after the password change: empty field, focus in it.
    void showAgain();

    void cmdOKClick();
    void cmdEsciClick();
    void btnCambiaPasswordClick();

signals:
    // The right password was given; the gate is hidden.
    void passed();
    // "Cambia password"; the gate is hidden.
    void changeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QScopedPointer<Ui::PasswordGate> m_ui;
};
