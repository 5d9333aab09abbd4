#pragma once
// The list screen: the lines of the records one rule selects, sorted, with
// the find, the list print, and a double click that hands the row's record
// to whoever opened the list. The appointment state lists use it; so will
// every other list of records.

#include "storage/listrows.h"

#include <QDialog>
#include <QScopedPointer>

#include <functional>

namespace Ui {
class ListScreen;
}

namespace ui {

class LineList;

struct ListDefinition {
    QString objectName; // frmConfermati...
    QString caption;
    QString printTitle;
    lists::LineOrder order = lists::LineOrder::CaseFoldAZ;
    std::function<lists::Rows()> rows;         // read once, when the screen is shown
    std::function<void(qint64 position)> pick; // a double click on a row; the screen then closes
};

class ListScreen : public QDialog {
    Q_OBJECT
public:
    ListScreen(ListDefinition definition, QWidget* parent);
    ~ListScreen() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void activated(qint64 position);
    QScopedPointer<Ui::ListScreen> m_ui;
    ListDefinition m_definition;
    LineList* m_list;
    bool m_filled = false;
};

} // namespace ui
