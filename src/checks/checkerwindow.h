#pragma once
// What the four identifier windows share: a box for the identifier, a check
// button and a close button; Enter in the box moves to the check button; the
// window closes after a verdict and stays open after a warning about the
// length or an empty box.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace checks {

class CheckerWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

protected:
    enum Typing { TrimAndUpperCase = 1, DigitsOnly = 2 };
    // Called by each window once its form is set up.
    void setUpChecker(QLineEdit* field, QPushButton* check, QPushButton* close, int typing, const QString& initial);
    // The check of the window's identifier.
    virtual void btnControllaClick() = 0;
    // A warning that leaves the window open with the focus in the box.
    void warnAndStay(const QString& text);
    // A verdict, after which the window closes.
    void verdict(bool valid, const QString& text);
    QLineEdit* field() const { return m_field; }

private:
    QLineEdit* m_field = nullptr;
};

} // namespace checks
