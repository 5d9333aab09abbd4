#pragma once
// The appointment search: ten criteria over the appointment archive, and
// the chosen record handed to the card that opened the search.

#include "storage/records.h"
#include "ui/searchscreen.h"

#include <QScopedPointer>

namespace Ui {
class AppointmentSearch;
}

class AppointmentSearch : public ui::SearchScreen {
    Q_OBJECT
public:
    // Who gets the record of a double-clicked row, with its position.
    using Target = std::function<void(const AppointmentRecord& record, qint64 position)>;
    explicit AppointmentSearch(Target target, QWidget* parent = nullptr);
    ~AppointmentSearch() override;

private:
    QScopedPointer<Ui::AppointmentSearch> m_ui;
};
