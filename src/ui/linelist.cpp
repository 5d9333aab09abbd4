#include "ui/linelist.h"

#include "ui/report.h"
#include "ui/services.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStyledItemDelegate>

using namespace Qt::Literals::StringLiterals;

namespace ui {

const QString LineList::EmptyListMessage = u"Ricerca non applicabile: la lista non contiene nessuna voce."_s;

void LineListModel::setRows(lists::Rows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int LineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant LineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_rows.text(index.row());
    if (role == PositionRole)
        return m_rows.position(index.row());
    if (role == Qt::ToolTipRole && m_toolTip)
        return m_toolTip(m_rows.text(index.row()));
    return QVariant();
}

namespace {

// A line as shown once its sort key is taken off.
QString withoutSortKey(const QString& line)
{
    static const QRegularExpression key(u"^ID: \\d{12}\\s*"_s);
    return QString(line).remove(key);
}

class KeylessLines : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        return QStyledItemDelegate::displayText(withoutSortKey(value.toString()), locale);
    }
};

} // namespace

void LineList::hideSortKeys()
{
    m_view->setItemDelegate(new KeylessLines(m_view));
    m_model->setToolTips([](const QString& line) { return withoutSortKey(line).simplified(); });
}

LineList::LineList(QListView* view, lists::LineOrder order, int pointSize)
    : QObject(view)
    , m_view(view)
    , m_model(new LineListModel(this))
    , m_order(order)
{
    QFont font(u"Courier New"_s);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(pointSize);
    view->setFont(font);
    view->setModel(m_model);
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideNone);
    m_viewport = view->viewport();
    m_viewport->installEventFilter(this);
    view->installEventFilter(this);
}

bool LineList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_viewport) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // The row under the pointer, else the selected one: a double click on
        // the empty part of the list loads the line the user chose.
        const QModelIndex index = m_view->indexAt(mouse->position().toPoint());
        const int row = index.isValid() ? index.row() : selectedRow();
        emit activated(row >= 0 && row < m_model->rows().size() ? m_model->rows().position(row) : 0);
        return true;
    }
    // Enter on the chosen line does what a double click does.
    if (event->type() == QEvent::KeyPress && watched == m_view) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = selectedRow();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && row >= 0 && row < m_model->rows().size()) {
            emit activated(m_model->rows().position(row));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void LineList::setRows(lists::Rows rows)
{
    lists::sortRows(rows, m_order);
    m_model->setRows(std::move(rows));
}

void LineList::clear()
{
    m_model->setRows({});
}

QStringList LineList::lines() const
{
    QStringList lines;
    lines.reserve(m_model->rows().size());
    const lists::Rows& rows = m_model->rows();
    for (qsizetype i = 0; i < rows.size(); ++i)
        lines << rows.text(i);
    return lines;
}

int LineList::selectedRow() const
{
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LineList::selectRow(int row)
{
    const QModelIndex index = m_model->index(row);
    m_view->setCurrentIndex(index);
    m_view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    m_view->scrollTo(index);
}

void LineList::find(const QString& typed)
{
    if (m_model->rows().isEmpty()) {
        messages::plain(EmptyListMessage);
        return;
    }
    int selected = selectedRow();
    if (selected < 0) {
        selected = 0;
        selectRow(0);
    }
    const int found = lists::findRow(m_model->rows(), selected, typed, m_lastWord);
    if (found != selected)
        selectRow(found);
    m_lastWord = typed;
}

bool LineList::print(const QString& title, QWidget* parent, const QStringList& closingLines) const
{
    const lists::Rows& rows = m_model->rows();
    const qsizetype listed = rows.size();
    return report::printList(
        title, listed + closingLines.size(),
        [&rows, &closingLines, listed](qsizetype i) { return i < listed ? rows.text(i) : closingLines[i - listed]; },
        parent);
}

} // namespace ui
