#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmSplash;
}

// The product screen: name, version and the maker's site.
class TfrmSplash : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* parent = nullptr);
    ~TfrmSplash() override;

private:
    QScopedPointer<Ui::TfrmSplash> ui;
};
