#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmCalendario;
}
class QLineEdit;

// The date picker. The caller names the field to fill with a tag in
// lblMemory: "data" (appointment card), "datapro" and "datades" (document card).
class TfrmCalendario : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCalendario(QWidget* parent = nullptr);
    ~TfrmCalendario() override;
    void setTag(const QString& tag);

    void btnImportaDataClick();

    // The cards name their date fields here when they are created.
    static void setTarget(const QString& tag, QLineEdit* field);

private:
    QScopedPointer<Ui::TfrmCalendario> ui;
};
