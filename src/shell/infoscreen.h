#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class InfoScreen;
}

// Information about the program and the maker's support address.
class InfoScreen : public QDialog {
    Q_OBJECT
public:
    explicit InfoScreen(QWidget* parent = nullptr);
    ~InfoScreen() override;
    static const QString SupportMail;

private:
    QScopedPointer<Ui::InfoScreen> m_ui;
};
