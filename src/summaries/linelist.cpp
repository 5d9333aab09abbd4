#include "summaries/linelist.h"

#include "storage/texts.h"
#include "ui/report.h"
#include "ui/services.h"

#include <QFont>
#include <QListView>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace summaries {

const QString LineList::EmptyListMessage = u"Ricerca non applicabile: la lista non contiene nessuna voce."_s;

namespace {

inline char16_t foldAZ(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }

bool lessFolded(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = foldAZ(pa[i].unicode()), cb = foldAZ(pb[i].unicode());
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

} // namespace

void sortLines(QStringList& lines, LineOrder order)
{
    if (order == LineOrder::Text)
        std::stable_sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) { return a < b; });
    else
        std::stable_sort(lines.begin(), lines.end(), lessFolded);
}

int findLine(const QStringList& lines, int selected, const QString& word, const QString& lastWord)
{
    const int count = int(lines.size());
    if (count == 0)
        return -1;
    if (selected < 0 || selected >= count)
        selected = 0;
    const QString w = texts::lowerAZ(word);
    if (w.isEmpty())
        return selected;
    const bool sameWord = w == texts::lowerAZ(lastWord);
    const int start = sameWord ? selected + 1 : 0;
    for (int step = 0; step < count; ++step) {
        const int row = (start + step) % count;
        if (texts::lowerAZ(lines[row]).contains(w))
            return row;
    }
    return selected;
}

void LineListModel::setLines(QStringList lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

int LineListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_lines.size()); }

QVariant LineListModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DisplayRole && index.isValid() && index.row() < m_lines.size())
        return m_lines[index.row()];
    return QVariant();
}

LineList::LineList(QListView* view, LineOrder order, int pointSize)
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
    connect(view, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        emit lineActivated(m_model->lines().value(index.row()));
    });
}

void LineList::setLines(QStringList lines)
{
    sortLines(lines, m_order);
    m_model->setLines(std::move(lines));
}

void LineList::clear() { m_model->setLines({}); }

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

QString LineList::selectedLine() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : m_model->lines().value(row);
}

void LineList::find(const QString& typed)
{
    if (m_model->lines().isEmpty()) {
        ui::messages::information(EmptyListMessage);
        return;
    }
    int selected = selectedRow();
    if (selected < 0) {
        selected = 0;
        selectRow(0);
    }
    const int found = findLine(m_model->lines(), selected, typed, m_lastWord);
    if (found != selected)
        selectRow(found);
    m_lastWord = typed;
}

bool LineList::print(const QString& title, QWidget* parent) const
{
    return report::printList(title, m_model->lines(), parent);
}

} // namespace summaries
