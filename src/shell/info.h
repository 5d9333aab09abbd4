#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmInfo;
}

// Information about the program and the maker's support address.
class TfrmInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInfo(QWidget* parent = nullptr);
    ~TfrmInfo() override;
    static const QString SupportMail;

private:
    QScopedPointer<Ui::TfrmInfo> ui;
};
