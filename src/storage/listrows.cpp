#include "storage/listrows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lists {

namespace {

inline char16_t foldAZ(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool lessFolded(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    qsizetype i = 0;
    // Lines of a list mostly begin alike: skip the equal start four characters
    // at a time, then fold only where the characters differ.
    for (std::uint64_t wa, wb; i + 4 <= n; i += 4) {
        std::memcpy(&wa, pa + i, sizeof wa);
        std::memcpy(&wb, pb + i, sizeof wb);
        if (wa != wb)
            break;
    }
    for (; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t ca = foldAZ(pa[i].unicode()), cb = foldAZ(pb[i].unicode());
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

} // namespace

void sortRows(Rows& rows, LineOrder order)
{
    if (order == LineOrder::Text)
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.text < b.text; });
    else
        std::stable_sort(
            rows.begin(), rows.end(), [](const Row& a, const Row& b) { return lessFolded(a.text, b.text); });
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
    for (int step = 0; step < count; ++step) {
        const int row = (start + step) % count;
        if (texts::lowerAZ(rows[row].text).contains(w))
            return row;
    }
    return selected;
}

} // namespace lists
