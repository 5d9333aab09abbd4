#pragma once
// The contact search: ten criteria over the contacts register, and the
// chosen contact handed to whoever opened the search (the contact card, the
// appointment card, the summaries menu).

#include "storage/records.h"
#include "ui/searchscreen.h"

#include <QScopedPointer>

namespace Ui {
class ContactSearch;
}

class ContactSearch : public ui::SearchScreen {
    Q_OBJECT
public:
    // Who gets the record of a double-clicked row, with its position.
    using Target = std::function<void(const ContactRecord& record, qint64 position)>;
    explicit ContactSearch(Target target, QWidget* parent = nullptr);
    ~ContactSearch() override;

private:
    QScopedPointer<Ui::ContactSearch> m_ui;
};
