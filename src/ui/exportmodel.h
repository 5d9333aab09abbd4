#pragma once
// The export grid as a model: the cells read from the archive, shown as
// they are, and the cells of the columns that accept typing, which keep what
// the user typed until the screen closes.

#include "storage/exportrows.h"

#include <QAbstractTableModel>

namespace ui {

class ExportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The header's Qt::UserRole gives a column's component name.
    using QAbstractTableModel::QAbstractTableModel;

    void setGrid(QList<exports::ColumnHead> heads, exports::Grid grid);
    const exports::Grid& grid() const { return m_grid; }
    const QList<exports::ColumnHead>& heads() const { return m_heads; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<exports::ColumnHead> m_heads;
    exports::Grid m_grid;
};

} // namespace ui
