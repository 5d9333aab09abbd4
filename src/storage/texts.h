#pragma once
// Text rules shared by every screen: trimming, padding, letter folding, dates,
// times and amounts as the archives store them.

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace texts {

// Removes every character with a code up to 32 (blanks and control
// characters) from both ends. Case is never touched.
QString trim(const QString& text);
QStringView trimmed(QStringView text);

// Appends blanks up to `width` and keeps the first `width` characters.
QString pad(const QString& text, int width);
// The same, appended to `out`.
void appendPadded(QString& out, QStringView text, int width);

// Lower case of the letters A to Z only; accented letters stay as they are.
QString lowerAZ(const QString& text);
void foldAZInPlace(QString& text);

// "dd/mm/yyyy": day and month of one or two digits, a four-digit year.
std::optional<QDate> parseDate(QStringView text);
QString formatDate(const QDate& date);

// A number with its word agreeing: counted(1, "contatto", "contatti") is
// "1 contatto", counted(3, …) "3 contatti". The words may go on ("scheda non
// esportata", "schede non esportate").
QString counted(qint64 n, const QString& one, const QString& many);

// "HH:MM" with two digits each.
QString formatTime(int hour, int minute);
bool isHourText(const QString& text);   // "00".."23"
bool isMinuteText(const QString& text); // "00".."59"

// Whole number of days such as 0, 15 or 120.
std::optional<int> parseDays(const QString& text);

// Amount with a decimal comma rounded to two decimals, halves upward, worked
// out on the typed digits (no binary floating point): "" -> "0,00",
// "1250" -> "1250,00", ",5" -> "0,50", "1,005" -> "1,01", "1,2,3" -> "0,00".
QString normaliseAmount(const QString& text);

// Amount text with a decimal comma as a number of cents; nullopt when the
// text is not an amount. Used to add amounts up exactly.
std::optional<qint64> amountToCents(const QString& text);
QString centsToAmount(qint64 cents);

// An exact total of amounts: every decimal of every amount is kept, however
// many are added and however large they grow (no binary floating point, no
// overflow); only the total is rounded, to two decimals, halves upward.
class AmountTotal {
public:
    // Adds an amount with a decimal comma and no thousands separator, with
    // a minus sign before it when it is negative; blanks alone count as 0.
    // A text that is not such an amount, or has more than 18 decimals, adds
    // nothing and gives false.
    bool add(const QString& text);
    // "12,75", "0,00", "-4,99": all the digits of the whole part, never an
    // exponent. The total x is rounded as the whole part of x * 100 + 0.5
    // (toward zero) divided by 100: halves go up, and so a negative total
    // of exact cents shows one cent less, -5 as -4,99.
    QString text() const;

private:
    static constexpr quint64 Base = 1000000000000000000ULL; // 10^18
    struct Sum {
        QList<quint64> whole; // groups of 18 digits, the lowest first
        quint64 fraction = 0; // the first 18 decimals
    };
    Sum m_added; // the positive amounts
    Sum m_taken; // the negative amounts, without their sign
};

} // namespace texts
