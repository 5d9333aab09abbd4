#include "storage/listrows.h"

#include "storage/fixedtext.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lists {

namespace {

constexpr int LengthBits = 21, OffsetBits = 22;
constexpr quint64 LengthMask = (quint64(1) << LengthBits) - 1;
constexpr quint64 OffsetMask = (quint64(1) << OffsetBits) - 1;

inline char16_t foldAZ(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Three-way comparison of two lines of text in an order.
int compareText(const QString& a, const QString& b, LineOrder order)
{
    if (order == LineOrder::Text)
        return a < b ? -1 : (b < a ? 1 : 0);
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t ca = foldAZ(pa[i].unicode()), cb = foldAZ(pb[i].unicode());
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// The place of each byte's character (A to Z folded in the second order)
// among the 256 characters of the code page sorted by their codes: comparing
// the ranks of two bytes is comparing their characters.
struct Ranks {
    std::array<unsigned char, 256> text {}, folded {};
    Ranks()
    {
        std::array<int, 256> byCode {};
        for (int b = 0; b < 256; ++b)
            byCode[b] = b;
        std::sort(byCode.begin(), byCode.end(),
            [](int a, int b) { return cp1252::toUnicode(uchar(a)) < cp1252::toUnicode(uchar(b)); });
        for (int r = 0; r < 256; ++r)
            text[byCode[r]] = uchar(r);
        for (int b = 0; b < 256; ++b)
            folded[b] = text[b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b];
    }
};

const Ranks& ranks()
{
    static const Ranks r;
    return r;
}

// Three-way comparison of two lines of code-page bytes from `from` on, by the ranks of their bytes.
int compareBytes(QByteArrayView a, QByteArrayView b, qsizetype from, const unsigned char* rank)
{
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = from;
    while (i < n) {
        // Lines of a list mostly begin alike: skip equal bytes eight at a time.
        std::uint64_t wa, wb;
        if (i + 8 <= n) {
            std::memcpy(&wa, pa + i, sizeof wa);
            std::memcpy(&wb, pb + i, sizeof wb);
            if (wa == wb) {
                i += 8;
                continue;
            }
        }
        if (pa[i] != pb[i] && rank[pa[i]] != rank[pb[i]])
            return rank[pa[i]] < rank[pb[i]] ? -1 : 1;
        ++i;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

void Rows::append(const Row& row)
{
    const qsizetype length = row.text.size();
    if (length <= qsizetype(LengthMask)) {
        if (m_blocks.isEmpty() || m_blocks.last().size() + length > BlockBytes) {
            m_blocks.append(QByteArray());
            m_blocks.last().reserve(BlockBytes);
        }
        QByteArray& block = m_blocks.last();
        const qsizetype offset = block.size();
        block.resize(offset + length);
        if (cp1252::encodeExactly(row.text, block.data() + offset)) {
            const auto index = quint64(m_blocks.size() - 1);
            m_entries.append(
                { index << (OffsetBits + LengthBits) | quint64(offset) << LengthBits | quint64(length), row.position });
            return;
        }
        block.resize(offset);
    }
    m_entries.append({ Wide | quint64(m_wide.size()), row.position });
    m_wide.append(row.text);
}

bool Rows::bytes(qsizetype row, QByteArrayView& out) const
{
    const quint64 place = m_entries[row].place;
    if (place & Wide)
        return false;
    const QByteArray& block = m_blocks[qsizetype(place >> (OffsetBits + LengthBits))];
    out = QByteArrayView(block.constData() + ((place >> LengthBits) & OffsetMask), qsizetype(place & LengthMask));
    return true;
}

QString Rows::text(qsizetype row) const
{
    QByteArrayView line;
    if (!bytes(row, line))
        return m_wide[qsizetype(m_entries[row].place & ~Wide)];
    return line.isEmpty() ? QString() : cp1252::decode(line.data(), line.size());
}

void Rows::sort(LineOrder order)
{
    const qsizetype count = size();
    if (count < 2)
        return;
    const unsigned char* rank = order == LineOrder::Text ? ranks().text.data() : ranks().folded.data();

    // The start every line in bytes shares decides nothing: the keys begin after it.
    QByteArrayView first;
    qsizetype shared = -1;
    bool anyWide = false;
    for (qsizetype r = 0; r < count; ++r) {
        QByteArrayView line;
        if (!bytes(r, line)) {
            anyWide = true;
            continue;
        }
        if (shared < 0) {
            first = line;
            shared = line.size();
            continue;
        }
        qsizetype i = 0;
        const qsizetype n = std::min(shared, line.size());
        while (i < n && line[i] == first[i])
            ++i;
        shared = i;
    }
    shared = std::max<qsizetype>(shared, 0);

    // Per row the ranks of eight bytes from an offset on, the first in the
    // highest byte, 0 past the end: rows compare as their keys do, and rows
    // with equal keys as their keys at the next eight bytes.
    struct Key {
        quint64 key;
        quint32 row;
        quint32 length;
    };
    const auto keyAt = [&](QByteArrayView line, qsizetype offset) {
        quint64 key = 0;
        for (qsizetype at = offset; at < offset + 8; ++at)
            key = key << 8 | (at < line.size() ? rank[uchar(line[at])] : 0);
        return key;
    };
    std::vector<Key> keys(static_cast<size_t>(count));
    for (qsizetype r = 0; r < count; ++r) {
        QByteArrayView line;
        const bool narrow = bytes(r, line);
        keys[size_t(r)] = { narrow ? keyAt(line, shared) : 0, quint32(r), quint32(narrow ? line.size() : 0) };
    }
    if (anyWide) {
        // A line kept as text compares as text with every other line.
        std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            QByteArrayView la, lb;
            int c;
            if (bytes(a.row, la) && bytes(b.row, lb))
                c = a.key != b.key ? (a.key < b.key ? -1 : 1) : compareBytes(la, lb, shared, rank);
            else
                c = compareText(text(a.row), text(b.row), order);
            return c != 0 ? c < 0 : a.row < b.row;
        });
    } else {
        // Sorted by the key, then each run of equal keys by the next key, until
        // the lines of a run end: then by length (a line before the longer lines
        // it begins) and file order.
        const auto byKey = [](const Key& a, const Key& b) {
            return a.key != b.key ? a.key < b.key : (a.length != b.length ? a.length < b.length : a.row < b.row);
        };
        struct Run {
            size_t first, last;
            qsizetype offset;
        };
        std::vector<Run> runs { { 0, keys.size(), shared } };
        while (!runs.empty()) {
            const Run run = runs.back();
            runs.pop_back();
            if (run.offset != shared) {
                for (size_t k = run.first; k < run.last; ++k) {
                    QByteArrayView line;
                    bytes(keys[k].row, line);
                    keys[k].key = keyAt(line, run.offset);
                }
            }
            // The rows of a run are in order of length and file order already:
            // with one key for all of them there is nothing to move.
            bool oneKey = true;
            for (size_t k = run.first + 1; k < run.last && oneKey; ++k)
                oneKey = keys[k].key == keys[run.first].key;
            if (!oneKey)
                std::sort(keys.begin() + qsizetype(run.first), keys.begin() + qsizetype(run.last), byKey);
            for (size_t k = run.first; k < run.last;) {
                size_t end = k + 1;
                bool longer = keys[k].length > run.offset + 8;
                while (end < run.last && keys[end].key == keys[k].key) {
                    longer = longer || keys[end].length > run.offset + 8;
                    ++end;
                }
                if (end - k > 1 && longer)
                    runs.push_back({ k, end, run.offset + 8 });
                k = end;
            }
        }
    }
    QList<Entry> sorted;
    sorted.reserve(count);
    for (const Key& k : keys)
        sorted.append(m_entries[k.row]);
    m_entries = std::move(sorted);
}

void sortRows(Rows& rows, LineOrder order)
{
    rows.sort(order);
}

int findRow(const Rows& rows, int selected, const QString& word, const QString& lastWord)
{
    const int count = int(rows.size());
    if (count == 0)
        return -1;
    if (selected < 0 || selected >= count)
        selected = 0;
    const QString w = texts::lowerAZ(word);
    if (w.isEmpty())
        return selected;
    const bool sameWord = w == texts::lowerAZ(lastWord);
    const int start = sameWord ? selected + 1 : 0;
    // A line in code-page bytes can hold the word only when the word has a byte for every character.
    QByteArray wordBytes(w.size(), Qt::Uninitialized);
    const bool narrowWord = cp1252::encodeExactly(w, wordBytes.data());
    std::array<unsigned char, 256> folding {};
    for (int b = 0; b < 256; ++b)
        folding[b] = uchar(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    QByteArray folded;
    for (int step = 0; step < count; ++step) {
        const int row = (start + step) % count;
        QByteArrayView line;
        if (!rows.bytes(row, line)) {
            if (texts::lowerAZ(rows.text(row)).contains(w))
                return row;
            continue;
        }
        if (!narrowWord || line.size() < wordBytes.size())
            continue;
        folded.resize(line.size());
        for (qsizetype i = 0; i < line.size(); ++i)
            folded[i] = char(folding[uchar(line[i])]);
        if (folded.contains(wordBytes))
            return row;
    }
    return selected;
}

} // namespace lists
