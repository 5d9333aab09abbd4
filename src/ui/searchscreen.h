#pragma once
// The search screen shared by the searches of the three archives: a form of
// criteria with their focus frames and Enter cycle, "Cerca" with its waiting
// line, then the list of the records found with the count, the find, the
// list print and a double click that hands the row's record to the caller.
// Each search gives its form (with the shared control names) and its table
// of criteria.

#include "storage/listrows.h"
#include "storage/programfolder.h"

#include <QDialog>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;

namespace ui {

class LineList;

// The search and the hand-over of a search over the archive `archiveFile` of
// the program folder: the criteria typed into the screen's fields, in order,
// match `fields`; a row shows `line`; a double click reads the row's record
// and hands it to `target` with its position (a record that cannot be read
// hands nothing over).
template <typename Layout, std::size_t N>
struct SearchOver {
    std::function<lists::Rows(const QStringList&)> search;
    std::function<void(qint64)> pick;
};
template <typename Layout, std::size_t N>
SearchOver<Layout, N> searchOver(const QString& archiveFile, const std::array<typename Layout::Field, N>& fields,
    QString (*line)(const records::RecordView<Layout>&),
    std::function<void(const records::Record<Layout>&, qint64)> target)
{
    const QString path = programFolder::file(archiveFile);
    return { [path, fields, line](const QStringList& typed) {
                lists::Criteria<Layout> criteria;
                for (std::size_t i = 0; i < N; ++i)
                    criteria.add(fields[i], typed.value(qsizetype(i)));
                return lists::collectRows<Layout>(
                    path, [&](const records::RecordView<Layout>& r) { return criteria.matches(r); }, line);
            },
        [path, target = std::move(target)](qint64 position) {
            if (!target)
                return;
            try {
                target(lists::recordAt<Layout>(path, position), position);
            } catch (const AccessFailure&) {
                // the search closes; the caller keeps what it had
            }
        } };
}

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
