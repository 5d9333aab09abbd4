#pragma once
// The rows of every list screen and the rules they share: a line of text that
// knows the record it shows, the two line orders, the find walk over the
// lines, and the matcher of the searches' criteria.

#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/texts.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <iterator>

#include <utility>

namespace lists {

// One line of a list and the 1-based position of the record behind it.
struct Row {
    QString text;
    qint64 position = 0;
};

enum class LineOrder {
    Text,       // plain text order, character by character
    CaseFoldAZ, // the letters A to Z compared as a to z, everything else by its code
};

// The rows of a list, kept for lists of millions of lines: every line's
// Windows-1252 bytes packed in blocks of a few megabytes, and per row where
// its bytes lie and its record position (16 bytes). A line with a character
// the code page lacks is kept aside as text. A row becomes text only when
// asked for; copies share the blocks.
class Rows {
public:
    class const_iterator {
    public:
        using value_type = Row;
        using difference_type = qsizetype;
        using iterator_category = std::forward_iterator_tag;
        const_iterator(const Rows* rows, qsizetype row)
            : m_rows(rows)
            , m_row(row)
        {
        }
        Row operator*() const { return (*m_rows)[m_row]; }
        const_iterator& operator++()
        {
            ++m_row;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_row == other.m_row; }

    private:
        const Rows* m_rows;
        qsizetype m_row;
    };

    void append(const Row& row);
    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QString text(qsizetype row) const;
    qint64 position(qsizetype row) const { return m_entries[row].position; }
    Row operator[](qsizetype row) const { return { text(row), position(row) }; }
    Row first() const { return (*this)[0]; }
    // The row, or an empty row with position 0 outside the list.
    Row value(qsizetype row) const { return row >= 0 && row < size() ? (*this)[row] : Row(); }
    const_iterator begin() const { return { this, 0 }; }
    const_iterator end() const { return { this, size() }; }

    // The code-page bytes of a row's line; false for a line kept as text.
    bool bytes(qsizetype row, QByteArrayView& out) const;
    // Puts the rows in `order`; rows with equal lines keep their order.
    void sort(LineOrder order);

private:
    struct Entry {
        quint64 place; // Wide | block << 43 | offset << 21 | length, or Wide | index into m_wide
        qint64 position;
    };
    static constexpr int BlockBytes = 4 << 20;
    static constexpr quint64 Wide = quint64(1) << 63;
    QList<Entry> m_entries;
    QList<QByteArray> m_blocks;
    QStringList m_wide;
};

// Sorts once; rows with equal lines keep their file order.
void sortRows(Rows& rows, LineOrder order);

// The find walk over the lines of a list. `selected` is the selected row
// (-1 for none, which counts as the first). A new word is tested from the
// first row on; the same word as last time from the row after the selected
// one, wrapping, the selected row last. Returns the row found, or `selected`
// (the first row when there was none) when nothing matches. Words and lines
// are compared with A to Z folded; an empty word matches nothing.
int findRow(const Rows& rows, int selected, const QString& word, const QString& lastWord);

// The criteria of a search over one archive. A criterion counts when it has
// something besides blanks; it scores when its text as typed (not trimmed),
// with A to Z folded, lies in its field with A to Z folded. A record matches
// when every criterion that counts scores; with none counting, every record
// matches.
template <typename Layout>
class Criteria {
public:
    using Field = typename Layout::Field;
    void add(Field field, const QString& typed)
    {
        if (!texts::trim(typed).isEmpty())
            m_used.append({ field, texts::lowerAZ(typed) });
    }
    qsizetype usedCount() const { return m_used.size(); }
    bool matches(const records::RecordView<Layout>& record) const
    {
        for (const auto& [field, word] : m_used) {
            record.textInto(field, m_buffer);
            texts::foldAZInPlace(m_buffer);
            if (!m_buffer.contains(word))
                return false;
        }
        return true;
    }

private:
    QList<std::pair<Field, QString>> m_used;
    mutable QString m_buffer; // reused record after record
};

// The rows of the records that pass `keep`, each with the line `line` makes
// of it, in file order. Throws AccessFailure.
template <typename Layout, typename Keep, typename Line>
Rows collectRows(const QString& path, Keep keep, Line line)
{
    Rows rows;
    archive::readAll(path, records::Record<Layout>::Size, [&](const char* bytes, qint64 position) {
        const records::RecordView<Layout> r(bytes);
        if (keep(r))
            rows.append({ line(r), position });
    });
    return rows;
}

// The record at a list row's position, as the screens load it. Throws AccessFailure.
template <typename Layout>
records::Record<Layout> recordAt(const QString& path, qint64 position)
{
    records::Record<Layout> record;
    archive::readAt(path, records::Record<Layout>::Size, position, record.data());
    return record;
}

} // namespace lists
