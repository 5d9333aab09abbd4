#include "storage/texts.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace texts {

QString trim(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString pad(const QString& text, int width)
{
    if (text.size() >= width)
        return text.left(width);
    return text + QString(width - text.size(), u' ');
}

void appendPadded(QString& out, QStringView text, int width)
{
    if (text.size() >= width) {
        out.append(text.left(width));
        return;
    }
    out.append(text);
    out.append(QString(width - text.size(), u' '));
}

void foldAZInPlace(QString& text)
{
    for (QChar& c : text) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
}

QString lowerAZ(const QString& text)
{
    QString result = text;
    foldAZInPlace(result);
    return result;
}

static bool allDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return false;
    }
    return true;
}

// The value of one to `maxDigits` decimal digits; -1 for anything else.
static int smallNumber(QStringView s, qsizetype maxDigits)
{
    if (s.isEmpty() || s.size() > maxDigits)
        return -1;
    int value = 0;
    for (QChar c : s) {
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<QDate> parseDate(QStringView text)
{
    // Read in place: the passes over a whole archive read a date per record.
    const QStringView t = trimmed(text);
    qsizetype slashes[3] = { -1, -1, -1 };
    int count = 0;
    for (qsizetype i = 0; i < t.size() && count < 3; ++i) {
        if (t[i] == u'/')
            slashes[count++] = i;
    }
    if (count != 2)
        return std::nullopt;
    const qsizetype first = slashes[0], second = slashes[1];
    const QStringView y = t.mid(second + 1);
    const int day = smallNumber(t.left(first), 2);
    const int month = smallNumber(t.mid(first + 1, second - first - 1), 2);
    const int year = y.size() == 4 ? smallNumber(y, 4) : -1;
    if (day < 0 || month < 0 || year < 0 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

QString formatDate(const QDate& date)
{
    return u"%1/%2/%3"_s.arg(date.day(), 2, 10, QChar(u'0'))
        .arg(date.month(), 2, 10, QChar(u'0'))
        .arg(date.year(), 4, 10, QChar(u'0'));
}

QString counted(qint64 n, const QString& one, const QString& many)
{
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

QString formatTime(int hour, int minute)
{
    return u"%1:%2"_s.arg(hour, 2, 10, QChar(u'0')).arg(minute, 2, 10, QChar(u'0'));
}

static bool isTwoDigitBelow(const QString& text, int limit)
{
    return text.size() == 2 && allDigits(text) && text.toInt() < limit;
}

bool isHourText(const QString& text)
{
    return isTwoDigitBelow(text, 24);
}
bool isMinuteText(const QString& text)
{
    return isTwoDigitBelow(text, 60);
}

std::optional<int> parseDays(const QString& text)
{
    const QString t = trim(text);
    if (!allDigits(t) || t.size() > 9)
        return std::nullopt;
    return t.toInt();
}

namespace {

struct Decimal {
    QStringView whole;    // digits, leading zeros removed: empty for zero
    QStringView fraction; // digits as typed
};

// The parts of an amount, as views into `text`.
std::optional<Decimal> parseDecimal(QStringView text)
{
    const QStringView t = trimmed(text);
    const qsizetype comma = t.indexOf(u',');
    const QStringView whole = comma < 0 ? t : t.left(comma);
    const QStringView fraction = comma < 0 ? QStringView() : t.mid(comma + 1);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if ((!whole.isEmpty() && !allDigits(whole)) || (!fraction.isEmpty() && !allDigits(fraction)))
        return std::nullopt;
    qsizetype firstSignificant = 0;
    while (firstSignificant < whole.size() && whole[firstSignificant] == u'0')
        ++firstSignificant;
    return Decimal { whole.mid(firstSignificant), fraction };
}

// The value of up to 18 digits, as if `width` digits were there with zeros
// after them (0 for no digit at all).
quint64 digitsValue(QStringView digits, qsizetype width)
{
    quint64 value = 0;
    for (qsizetype i = 0; i < width; ++i)
        value = value * 10 + (i < digits.size() ? quint64(digits[i].unicode() - u'0') : 0);
    return value;
}

// Adds one to a string of decimal digits.
QString incremented(const QString& digits)
{
    QString result = digits;
    for (qsizetype i = result.size() - 1; i >= 0; --i) {
        if (result[i] == u'9') {
            result[i] = u'0';
        } else {
            result[i] = QChar(result[i].unicode() + 1);
            return result;
        }
    }
    return u'1' + result;
}

} // namespace

QString normaliseAmount(const QString& text)
{
    const auto d = parseDecimal(text);
    if (!d)
        return u"0,00"_s;
    // Two decimals, then halves upward on the third: value * 100 + 0.5, truncated.
    QString cents = (d->whole.isEmpty() ? u"0"_s : d->whole.toString()) + QString(d->fraction + u"00"_s).left(2);
    if (d->fraction.size() > 2 && d->fraction[2].unicode() >= u'5')
        cents = incremented(cents);
    qsizetype firstSignificant = 0;
    while (firstSignificant < cents.size() - 3 && cents[firstSignificant] == u'0')
        ++firstSignificant;
    cents = cents.mid(firstSignificant);
    return cents.left(cents.size() - 2) + u',' + cents.right(2);
}

std::optional<qint64> amountToCents(const QString& text)
{
    const auto d = parseDecimal(text);
    if (!d || d->whole.size() > 15)
        return std::nullopt;
    const QString normalised = normaliseAmount(text);
    QString digits = normalised;
    digits.remove(u',');
    bool ok = false;
    const qint64 cents = digits.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return cents;
}

QString centsToAmount(qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? quint64(-(cents + 1)) + 1 : quint64(cents);
    QString digits = QString::number(magnitude);
    if (digits.size() < 3)
        digits = QString(3 - digits.size(), QChar(u'0')) + digits;
    return (negative ? u"-"_s : QString()) + digits.left(digits.size() - 2) + u',' + digits.right(2);
}

bool AmountTotal::add(const QString& text)
{
    QStringView t = trimmed(text);
    if (t.isEmpty())
        return true;
    const bool negative = t.startsWith(u'-');
    if (negative)
        t = t.mid(1);
    const auto d = parseDecimal(t);
    if (!d || d->fraction.size() > 18)
        return false;
    Sum& sum = negative ? m_taken : m_added;
    sum.fraction += digitsValue(d->fraction, 18);
    quint64 carry = 0;
    if (sum.fraction >= Base) {
        sum.fraction -= Base;
        carry = 1;
    }
    // The whole part in groups of 18 digits from the right, added group by group.
    qsizetype end = d->whole.size();
    for (qsizetype group = 0; end > 0 || carry; ++group) {
        const qsizetype begin = std::max<qsizetype>(0, end - 18);
        const quint64 part = digitsValue(d->whole.mid(begin, end - begin), end - begin);
        end = begin;
        if (group == sum.whole.size())
            sum.whole.append(0);
        sum.whole[group] += part + carry; // both below 10^18: no wrap-around
        carry = 0;
        if (sum.whole[group] >= Base) {
            sum.whole[group] -= Base;
            carry = 1;
        }
    }
    return true;
}

QString AmountTotal::text() const
{
    // The groups of both sums from the highest down, the decimals last.
    const qsizetype groups = std::max(m_added.whole.size(), m_taken.whole.size());
    const auto digitsOf = [groups](const Sum& sum) {
        QList<quint64> all;
        for (qsizetype g = groups - 1; g >= 0; --g)
            all.append(g < sum.whole.size() ? sum.whole[g] : 0);
        all.append(sum.fraction);
        return all;
    };
    QList<quint64> big = digitsOf(m_added);
    QList<quint64> small = digitsOf(m_taken);
    const bool negative = std::lexicographical_compare(big.begin(), big.end(), small.begin(), small.end());
    if (negative)
        std::swap(big, small);
    // big - small, from the decimals up.
    quint64 borrow = 0;
    for (qsizetype i = big.size() - 1; i >= 0; --i) {
        const quint64 take = small[i] + borrow;
        borrow = big[i] < take ? 1 : 0;
        big[i] = big[i] + (borrow ? Base : 0) - take;
    }
    QString whole;
    for (qsizetype i = 0; i + 1 < big.size(); ++i) {
        if (whole.isEmpty()) {
            if (big[i] != 0)
                whole = QString::number(big[i]);
        } else {
            whole += u"%1"_s.arg(big[i], 18, 10, QChar(u'0'));
        }
    }
    const QString fraction = u"%1"_s.arg(big.last(), 18, 10, QChar(u'0'));
    if (!negative)
        return normaliseAmount((whole.isEmpty() ? u"0"_s : whole) + u',' + fraction);
    // A debt rounds as the same credit would, halves away from zero: a
    // single "-5,00" totals -5,00 (adding a half and cutting toward zero
    // would make it -4,99).
    QString cents = whole + fraction.left(2);
    if (fraction[2].unicode() >= u'5')
        cents = incremented(cents);
    while (cents.size() > 1 && cents.front() == u'0')
        cents.remove(0, 1);
    if (cents.isEmpty() || cents == u"0"_s)
        return u"0,00"_s;
    if (cents.size() < 3)
        cents = QString(3 - cents.size(), QChar(u'0')) + cents;
    return u'-' + cents.left(cents.size() - 2) + u',' + cents.right(2);
}

} // namespace texts
