#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmGuida;
}

// The help viewer: one topic, its title and its text.
class TfrmGuida : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGuida(QWidget* parent = nullptr);
    ~TfrmGuida() override;
    void showTopic(const QString& title, const QString& text);

private:
    QScopedPointer<Ui::TfrmGuida> ui;
};
