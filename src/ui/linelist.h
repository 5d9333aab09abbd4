#pragma once
// The list design shared by the agenda, the searches and the lists: sorted
// lines in a fixed-pitch font, each row knowing its record, the find
// ("Trova") that walks them in a circle, and the list print.

#include "storage/listrows.h"

#include <QAbstractListModel>

#include <functional>

class QListView;
class QWidget;

namespace ui {

class LineListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The record position of a row.
    static constexpr int PositionRole = Qt::UserRole + 1;
    using QAbstractListModel::QAbstractListModel;
    void setRows(lists::Rows rows);
    const lists::Rows& rows() const { return m_rows; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Each row's tooltip, made from its line.
    void setToolTips(std::function<QString(const QString&)> toolTip) { m_toolTip = std::move(toolTip); }

private:
    lists::Rows m_rows;
    std::function<QString(const QString&)> m_toolTip;
};

// A list view showing sorted rows, with its find and print.
class LineList : public QObject {
    Q_OBJECT
public:
    LineList(QListView* view, lists::LineOrder order, int pointSize);
    // Sorts the rows once and shows them.
    void setRows(lists::Rows rows);
    void clear();
    const lists::Rows& rows() const { return m_model->rows(); }
    QStringList lines() const;
    int selectedRow() const;
    void selectRow(int row);

    // Shows the lines without their leading sort key ("ID: 202612101100  "),
    // which only orders them: the lines themselves, their order, the search
    // and the print stay whole. Each line's tooltip is the whole line shown.
    void hideSortKeys();

    // The "Trova" command: a plain notice on an empty list, else the walk.
    void find(const QString& typed);
    void forgetFind() { m_lastWord.clear(); }
    // The list print with this title, the lines in list order and any lines after them.
    bool print(const QString& title, QWidget* parent, const QStringList& closingLines = {}) const;

    static const QString EmptyListMessage;

signals:
    // A double click on the list: the position of the row under the pointer,
    // else of the selected row; 0 when there is neither.
    void activated(qint64 position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListView* m_view;
    QWidget* m_viewport;
    LineListModel* m_model;
    lists::LineOrder m_order;
    QString m_lastWord;
};

} // namespace ui
