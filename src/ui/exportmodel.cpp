#include "ui/exportmodel.h"

namespace ui {

void ExportModel::setGrid(QList<exports::ColumnHead> heads, exports::Grid grid)
{
    beginResetModel();
    m_heads = std::move(heads);
    m_grid = std::move(grid);
    endResetModel();
}

int ExportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_grid.rowCount());
}

int ExportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_heads.size());
}

QVariant ExportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_grid.text(index.row(), index.column());
}

bool ExportModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    m_grid.type(index.row(), index.column(), value.toString());
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

Qt::ItemFlags ExportModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags shown = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return m_heads[index.column()].editable ? shown | Qt::ItemIsEditable : shown;
}

QVariant ExportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_heads.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_heads[section].caption;
    if (role == Qt::UserRole)
        return m_heads[section].component;
    return {};
}

} // namespace ui
