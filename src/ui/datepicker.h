#pragma once
// The date picker: a month calendar whose chosen day goes, as dd/mm/yyyy,
// into the date field of the screen that opened it; or a date typed as
// gg/mm/aaaa above it, the key that opened the picker included. Only a
// real date between FirstYear and LastYear ever reaches the field.

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
// Tab, Esc, the function keys and the modifier keys pass, any other key
// (Enter included) runs `pick` with the text it types ("1" for the key 1,
// nothing for Enter), which the picker starts from.
void setPickedDateField(QLineEdit* field, std::function<void(const QString& typed)> pick);

class DatePicker : public QDialog {
    Q_OBJECT
public:
    static constexpr int FirstYear = 1900;
    static constexpr int LastYear = 2100;

    DatePicker(QLineEdit* target, QWidget* parent = nullptr, const QString& typed = QString());
    ~DatePicker() override;
    void btnImportaDataClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void typedChanged(const QString& text);
    void calendarChanged();
    QScopedPointer<Ui::DatePicker> m_ui;
    QPointer<QLineEdit> m_target;
    bool m_following = false;
    bool m_focused = false;
};

} // namespace ui
