#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class PasswordChange;
}

// Change of the one password, reached from the gate.
class PasswordChange : public QWidget {
    Q_OBJECT
public:
    explicit PasswordChange(QWidget* parent = nullptr);
    ~PasswordChange() override;
    // Shows the screen with its three fields empty and the focus in the first.
    void showEmpty();

    void cmdOKClick();

signals:
    // The screen closed; the gate shows again.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateOK();
    QScopedPointer<Ui::PasswordChange> m_ui;
};
