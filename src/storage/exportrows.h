#pragma once
// What every export screen shows and writes, described as data: a table of
// columns, each saying where its text comes from in a record, and a row
// selection saying which records are listed, how they are numbered and in
// what order. Reading the archive through a table gives a grid of text cells
// kept compactly, with the cells the user typed kept beside it.

#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/spreadsheet.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <QFile>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace exports {

// What the screen and the file know of a column, whatever the record.
struct ColumnHead {
    QString component;               // colData, colOra...
    QString caption;                 // the grid's header
    spreadsheet::HeaderCell written; // the file's header; the number column is never written
    bool editable = false;           // accepts typing on the screen
};

class Grid;

// Where the rows of a grid read from an archive come from when they are
// shown or written: the archive itself, read again a record at a time.
class RowReader {
public:
    virtual ~RowReader() = default;
    // The cells of the record at `position`, numbered `number`, as one more
    // row of `grid`; false when the record cannot be read.
    virtual bool appendRow(Grid& grid, qint64 position, qint64 number) = 0;
};

// The cells of an export: rows of texts, all of them in one block of
// Windows-1252 bytes (every text of the archives has its byte there) with
// the end of each cell, in the order the rows were read. A grid of a whole
// archive keeps no text: its rows are the positions of their records, each
// read again when it is shown or written. The rows are shown in the order
// read or in the order of one sort. Texts the user types are kept apart, by
// the row and column they are shown at.
class Grid {
public:
    explicit Grid(int columns = 0, qsizetype blankRows = 0);

    int columnCount() const { return m_columns; }
    qsizetype rowCount() const
    {
        return m_reader ? m_positions.size() : (m_columns == 0 ? 0 : m_ends.size() / m_columns);
    }

    // The text a cell shows: what was typed into it, else what was read.
    QString text(qsizetype row, int column) const;
    // What the user typed into a cell; never reaches an archive.
    void type(qsizetype row, int column, const QString& text);

    // Filling, row after row: columnCount() cells make one row. `rows` is
    // how many are coming, when that is known.
    void reserveRows(qsizetype rows);
    void appendBytes(QByteArrayView bytes);
    void appendText(const QString& text);
    void appendNumber(qint64 number);
    // A fixed-width text field, trimmed as every field is when it is read.
    void appendField(const char* field, int capacity);
    // Two fields joined by one blank; no blank at the end when the second is empty.
    void appendJoined(const char* first, int firstCapacity, const char* second, int secondCapacity);

    // The rows are the records at `positions`, in the order read, numbered by
    // their positions or by 1, 2, 3... in that order; `reader` reads them.
    void setArchiveRows(std::shared_ptr<RowReader> reader, QList<qint64> positions, bool runningNumbers);

    // Orders the rows by the text of one column, compared without regard to
    // case; rows with equal texts keep the order they were read in.
    void sortByColumn(int column);

    // The data rows of the file: every row, from `firstColumn` to the last.
    // False when a row could no longer be read from its archive.
    bool writeRows(spreadsheet::Writer& writer, int firstColumn) const;

private:
    qsizetype stored(qsizetype row) const { return m_order.isEmpty() ? row : m_order[row]; }
    QByteArrayView bytes(qsizetype storedRow, int column) const;
    void endCell();

    int m_columns = 0;
    qsizetype m_expectedRows = 0;
    std::vector<char> m_text;
    QList<quint32> m_ends; // end of each cell in m_text; a cell starts where the one before ends
    QList<qint32> m_order; // shown row -> read row; empty while the rows are shown as read
    QHash<std::pair<qsizetype, int>, QString> m_typed;
    // The rows of a whole archive, and the one row last read from it.
    std::shared_ptr<RowReader> m_reader;
    QList<qint64> m_positions;
    bool m_runningNumbers = false;
    struct ReadRow {
        qsizetype row = -1; // stored row; -1 for none
        bool ok = false;
        std::vector<char> text;
        QList<quint32> ends;
    };
    std::shared_ptr<ReadRow> m_readRow;
    const ReadRow& readRow(qsizetype storedRow) const;
};

// The grid of one reading. `complete` is false when the archive could not be
// read to its end: then the grid holds no row.
struct Reading {
    Grid grid;
    bool complete = true;
    QString failure;   // for developers
    bool busy = false; // held by another workstation for longer than the wait
};

// Where a column's text comes from.
template <typename Layout>
struct Value {
    using Field = typename Layout::Field;
    using View = records::RecordView<Layout>;
    enum class Kind { Number, Field, Joined, Computed };

    // The row's number, as the selection numbers its rows.
    static Value number() { return { Kind::Number, {}, {}, {} }; }
    static Value field(Field f) { return { Kind::Field, f, {}, {} }; }
    static Value joined(Field first, Field second) { return { Kind::Joined, first, second, {} }; }
    static Value computed(std::function<QString(const View&)> compute)
    {
        return { Kind::Computed, {}, {}, std::move(compute) };
    }

    Kind kind = Kind::Number;
    Field first {};
    Field second {};
    std::function<QString(const View&)> compute;
};

template <typename Layout>
struct Column {
    ColumnHead head;
    Value<Layout> value;

    // The "N." column every export starts with: shown, never written.
    static Column number()
    {
        return { { QStringLiteral("colNum"), QStringLiteral("N."), {} }, Value<Layout>::number() };
    }
};

enum class Numbering {
    Position, // the record's position in the archive
    Running,  // 1, 2, 3... in the order the rows are read
};

// Which records become rows, how they are numbered and in what order.
template <typename Layout>
struct Selection {
    std::function<bool(const records::RecordView<Layout>&)> keep; // empty: every record
    Numbering numbering = Numbering::Position;
    int sortColumn = -1; // file order when negative; else sorted by that column (Grid::sortByColumn)
};

// An export: its columns, the number column first, and its selection.
template <typename Layout>
struct Table {
    QList<Column<Layout>> columns;
    Selection<Layout> selection;

    QList<ColumnHead> heads() const
    {
        QList<ColumnHead> h;
        for (const Column<Layout>& c : columns)
            h.append(c.head);
        return h;
    }

    // Reads every record of the archive at `path` (created empty when
    // missing) into a grid of the selected rows.
    Reading read(const QString& path) const
    {
        Reading out { Grid(int(columns.size())), true, {} };
        QList<qint64> positions;
        try {
            ArchiveFile file;
            file.open(path, records::Record<Layout>::Size, ArchiveFile::Access::Read);
            if (!selection.keep)
                positions.reserve(file.recordCount());
            while (!file.atEnd()) {
                const records::RecordView<Layout> r(file.next());
                if (!selection.keep || selection.keep(r))
                    positions.append(file.position());
            }
            file.close();
        } catch (const AccessFailure& failure) {
            return { Grid(int(columns.size())), false, failure.detail(), failure.busy() };
        }
        out.grid.setArchiveRows(std::make_shared<ArchiveRows>(*this, path), std::move(positions),
            selection.numbering == Numbering::Running);
        if (selection.sortColumn >= 0)
            out.grid.sortByColumn(selection.sortColumn);
        return out;
    }

    // The cells of one record, numbered `number`, at the end of `grid`.
    void appendRow(Grid& grid, const records::RecordView<Layout>& r, qint64 number) const
    {
        for (const Column<Layout>& c : columns)
            append(grid, c.value, r, number);
    }

private:
    // The records of the archive read in blocks, the block last read kept.
    class ArchiveRows : public RowReader {
    public:
        ArchiveRows(Table table, const QString& path)
            : m_table(std::move(table))
            , m_file(path)
        {
        }
        bool appendRow(Grid& grid, qint64 position, qint64 number) override
        {
            constexpr int Size = records::Record<Layout>::Size;
            constexpr qint64 Block = 64;
            const qint64 first = (position - 1) / Block * Block + 1;
            if (first != m_first || position - first >= m_count) {
                m_first = 0;
                m_count = 0;
                if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                    return false;
                m_block.resize(Block * Size);
                if (!m_file.seek((first - 1) * Size))
                    return false;
                const qint64 read = m_file.read(m_block.data(), m_block.size());
                if (read < 0)
                    return false;
                m_first = first;
                m_count = read / Size;
                if (position - first >= m_count)
                    return false;
            }
            m_table.appendRow(
                grid, records::RecordView<Layout>(m_block.constData() + (position - first) * Size), number);
            return true;
        }

    private:
        Table m_table;
        QFile m_file;
        QByteArray m_block;
        qint64 m_first = 0, m_count = 0;
    };

    static void append(Grid& grid, const Value<Layout>& v, const records::RecordView<Layout>& r, qint64 number)
    {
        const auto at = [&r](typename Layout::Field f) { return r.data() + Layout::Offsets[std::size_t(f)]; };
        const auto capacity = [](typename Layout::Field f) { return Layout::Capacities[std::size_t(f)]; };
        switch (v.kind) {
        case Value<Layout>::Kind::Number:
            grid.appendNumber(number);
            break;
        case Value<Layout>::Kind::Field:
            grid.appendField(at(v.first), capacity(v.first));
            break;
        case Value<Layout>::Kind::Joined:
            grid.appendJoined(at(v.first), capacity(v.first), at(v.second), capacity(v.second));
            break;
        case Value<Layout>::Kind::Computed:
            grid.appendText(v.compute(r));
            break;
        }
    }
};

// Writes the export file: the header of every column but the number column,
// then each row of the grid. False when the file could not be written; the
// previous file then stays as it was.
bool writeFile(const QString& path, const QString& worksheet, const QList<ColumnHead>& heads, const Grid& grid);

} // namespace exports
