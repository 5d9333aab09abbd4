#pragma once
// The rows of every list screen and the rules they share: a line of text that
// knows the record it shows, the two line orders, the find walk over the
// lines, and the matcher of the searches' criteria.

#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/texts.h"

#include <QList>
#include <QString>

#include <utility>

namespace lists {

// One line of a list and the 1-based position of the record behind it.
struct Row {
    QString text;
    qint64 position = 0;
};
using Rows = QList<Row>;

enum class LineOrder {
    Text,       // plain text order, character by character
    CaseFoldAZ, // the letters A to Z compared as a to z, everything else by its code
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
