#pragma once
// The document search: ten criteria over the documents register, and the
// chosen document handed to whoever opened the search (the document card).

#include "storage/records.h"
#include "ui/searchscreen.h"

#include <QScopedPointer>

namespace Ui {
class DocumentSearch;
}

class DocumentSearch : public ui::SearchScreen {
    Q_OBJECT
public:
    // Who gets the record of a double-clicked row, with its position.
    using Target = std::function<void(const DocumentRecord& record, qint64 position)>;
    explicit DocumentSearch(Target target, QWidget* parent = nullptr);
    ~DocumentSearch() override;

private:
    QScopedPointer<Ui::DocumentSearch> m_ui;
};
