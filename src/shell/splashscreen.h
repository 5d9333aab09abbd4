#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class SplashScreen;
}

// The product screen: name, version and the maker's site.
class SplashScreen : public QDialog {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);
    ~SplashScreen() override;

private:
    QScopedPointer<Ui::SplashScreen> m_ui;
};
