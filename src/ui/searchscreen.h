#pragma once
// The search screen shared by the searches of the three archives: a form of
// criteria with their focus frames and Enter cycle, "Cerca" with its waiting
// line, then the list of the records found with the count, the find, the
// list print and a double click that hands the row's record to the caller.
// Each search gives its form (with the shared control names) and its table
// of criteria.

#include "storage/listrows.h"

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;

namespace ui {

class LineList;

class SearchScreen : public QDialog {
    Q_OBJECT
public:
    struct Definition {
        QString printTitle;
        lists::LineOrder order = lists::LineOrder::Text;
        QList<QLineEdit*> criteria; // in screen order
        QList<QFrame*> frames;      // the focus frame of each criterion, in the same order
        // The rows of the records that match the typed criteria. Throws AccessFailure.
        std::function<lists::Rows(const QStringList& typed)> search;
        // A double click on a row of the list; the screen then closes.
        std::function<void(qint64 position)> pick;
    };

    void btnCercaClick();

protected:
    explicit SearchScreen(QWidget* parent);
    // After the form is set up.
    void setUpSearch(Definition definition);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    template <typename T>
    T* part(const char* name) const;
    void activated(qint64 position);
    Definition m_definition;
    LineList* m_list = nullptr;
    QLabel* m_waiting = nullptr;
};

} // namespace ui
