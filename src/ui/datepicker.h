#pragma once
// The date picker: a month calendar whose chosen day goes, as dd/mm/yyyy,
// into the date field of the screen that opened it.

#include <QDialog>
#include <QPointer>
#include <QScopedPointer>

namespace Ui {
class DatePicker;
}
class QLineEdit;

namespace ui {

class DatePicker : public QDialog {
    Q_OBJECT
public:
    DatePicker(QLineEdit* target, QWidget* parent = nullptr);
    ~DatePicker() override;
    void btnImportaDataClick();

private:
    QScopedPointer<Ui::DatePicker> m_ui;
    QPointer<QLineEdit> m_target;
};

} // namespace ui
