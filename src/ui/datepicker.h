#pragma once
// The date picker: a month calendar whose chosen day goes, as dd/mm/yyyy,
// into the date field of the screen that opened it.

#include <QDialog>
#include <QPointer>
#include <QScopedPointer>

#include <functional>

namespace Ui {
class DatePicker;
}
class QLineEdit;

namespace ui {

// A date field that only the picker fills: Backspace and Delete empty it,
// Tab and the modifier keys pass, any other key (Enter included) runs `pick`.
void setPickedDateField(QLineEdit* field, std::function<void()> pick);

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
