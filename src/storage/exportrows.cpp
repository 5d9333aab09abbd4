#include "storage/exportrows.h"

#include "storage/fixedtext.h"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace exports {

namespace {

constexpr qsizetype SampleRows = 256;

} // namespace

Grid::Grid(int columns, qsizetype blankRows)
    : m_columns(columns)
    , m_ends(columns * blankRows, 0)
{
}

void Grid::reserveRows(qsizetype rows)
{
    m_ends.reserve(rows * m_columns);
    m_expectedRows = rows;
}

void Grid::setArchiveRows(std::shared_ptr<RowReader> reader, QList<qint64> positions, bool runningNumbers)
{
    m_text.clear();
    m_ends.clear();
    m_order.clear();
    m_reader = std::move(reader);
    m_positions = std::move(positions);
    m_runningNumbers = runningNumbers;
    m_readRow = std::make_shared<ReadRow>();
}

const Grid::ReadRow& Grid::readRow(qsizetype storedRow) const
{
    ReadRow& read = *m_readRow;
    if (read.row == storedRow)
        return read;
    Grid one(m_columns);
    read.ok
        = m_reader->appendRow(one, m_positions[storedRow], m_runningNumbers ? storedRow + 1 : m_positions[storedRow])
        && one.m_ends.size() == m_columns;
    if (read.ok) {
        read.text.swap(one.m_text);
        read.ends = std::move(one.m_ends);
    } else {
        // A record no longer there shows empty cells.
        read.text.clear();
        read.ends.fill(0, m_columns);
    }
    read.row = storedRow;
    return read;
}

QByteArrayView Grid::bytes(qsizetype storedRow, int column) const
{
    if (m_reader) {
        const ReadRow& read = readRow(storedRow);
        const quint32 begin = column == 0 ? 0 : read.ends[column - 1];
        return QByteArrayView(read.text.data() + begin, read.ends[column] - begin);
    }
    const qsizetype cell = storedRow * m_columns + column;
    const quint32 begin = cell == 0 ? 0 : m_ends[cell - 1];
    return QByteArrayView(m_text.data() + begin, m_ends[cell] - begin);
}

QString Grid::text(qsizetype row, int column) const
{
    if (!m_typed.isEmpty()) {
        const auto typed = m_typed.constFind({ row, column });
        if (typed != m_typed.cend())
            return *typed;
    }
    const QByteArrayView b = bytes(stored(row), column);
    return cp1252::decode(b.data(), b.size());
}

void Grid::type(qsizetype row, int column, const QString& text)
{
    m_typed.insert({ row, column }, text);
}

void Grid::endCell()
{
    // Offsets of 32 bits: four gigabytes of text, far beyond any archive.
    m_ends.append(quint32(m_text.size()));
    // Once the first rows show how long a row is, room for all of them, so
    // the text is not copied again and again as it grows.
    if (m_ends.size() == SampleRows * m_columns && m_expectedRows > SampleRows)
        m_text.reserve(size_t(m_text.size() / SampleRows * m_expectedRows * 9 / 8));
}

void Grid::appendBytes(QByteArrayView bytes)
{
    m_text.insert(m_text.end(), bytes.begin(), bytes.end());
    endCell();
}

void Grid::appendText(const QString& text)
{
    appendBytes(cp1252::encode(text));
}

void Grid::appendNumber(qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    appendBytes(QByteArrayView(digits, end - digits));
}

void Grid::appendField(const char* field, int capacity)
{
    appendBytes(FixedText::trimmedBytes(field, capacity));
}

void Grid::appendJoined(const char* first, int firstCapacity, const char* second, int secondCapacity)
{
    const QByteArrayView head = FixedText::trimmedBytes(first, firstCapacity);
    const QByteArrayView tail = FixedText::trimmedBytes(second, secondCapacity);
    m_text.insert(m_text.end(), head.begin(), head.end());
    if (!tail.isEmpty()) {
        m_text.push_back(' ');
        m_text.insert(m_text.end(), tail.begin(), tail.end());
    }
    endCell();
}

void Grid::sortByColumn(int column)
{
    // Typed cells are kept by the row they are shown at: the rows are
    // ordered once, while the grid is filled, before anything is typed.
    Q_ASSERT(m_typed.isEmpty());
    const qsizetype rows = rowCount();
    QList<QString> keys(rows);
    for (qsizetype r = 0; r < rows; ++r)
        keys[r] = text(r, column);
    QList<qint32> order(rows);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&keys](qint32 a, qint32 b) { return QString::compare(keys[a], keys[b], Qt::CaseInsensitive) < 0; });
    if (!m_order.isEmpty()) {
        for (qint32& r : order)
            r = m_order[r];
    }
    m_order = std::move(order);
}

bool Grid::writeRows(spreadsheet::Writer& writer, int firstColumn) const
{
    const qsizetype rows = rowCount();
    for (qsizetype r = 0; r < rows; ++r) {
        writer.beginRow();
        const qsizetype s = stored(r);
        if (m_reader && !readRow(s).ok)
            return false;
        for (int c = firstColumn; c < m_columns; ++c) {
            const auto typed = m_typed.isEmpty() ? m_typed.cend() : m_typed.constFind({ r, c });
            if (typed != m_typed.cend())
                writer.cell(*typed);
            else
                writer.cell(bytes(s, c));
        }
        writer.endRow();
    }
    return true;
}

bool writeFile(const QString& path, const QString& worksheet, const QList<ColumnHead>& heads, const Grid& grid)
{
    QList<spreadsheet::HeaderCell> header;
    for (qsizetype c = 1; c < heads.size(); ++c)
        header.append(heads[c].written);
    spreadsheet::Writer writer(path);
    if (!writer.begin(worksheet, header))
        return false;
    return grid.writeRows(writer, 1) && writer.commit();
}

} // namespace exports
