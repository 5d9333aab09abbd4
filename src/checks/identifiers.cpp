#include "checks/identifiers.h"

#include "storage/texts.h"

#include <QHash>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace checks {

namespace {

// Indexed by character code from '0' (48) to 'Z' (90).
constexpr std::array<int, 43> OddValues = { 1, 0, 5, 7, 9, 13, 15, 17, 19, 21,                      // 0-9
    0, 0, 0, 0, 0, 0, 0,                                                                            // : ; < = > ? @
    1, 0, 5, 7, 9, 13, 15, 17, 19, 21,                                                              // A-J
    2, 4, 18, 20, 11, 3, 6, 8, 12, 14,                                                              // K-T
    16, 10, 22, 25, 24, 23 };                                                                       // U-Z
constexpr std::array<int, 43> EvenValues = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,                          // 0-9
    0, 0, 0, 0, 0, 0, 0,                                                                            // : ; < = > ? @
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25 }; // A-Z

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

std::optional<QChar> taxCodeCheckCharacter(QStringView firstFifteen)
{
    if (firstFifteen.size() != 15)
        return std::nullopt;
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        const char16_t c = firstFifteen[i].unicode();
        if (c < u'0' || c > u'Z')
            return std::nullopt;
        // Positions 1, 3, 5... (index 0, 2, 4...) use the odd table.
        sum += (i % 2 == 0 ? OddValues : EvenValues)[c - u'0'];
    }
    return QChar(char16_t(u'A' + sum % 26));
}

bool taxCodeValid(const QString& code)
{
    if (code.size() != 16)
        return false;
    const auto expected = taxCodeCheckCharacter(QStringView(code).left(15));
    return expected && *expected == code.at(15);
}

bool vatNumberValid(const QString& number)
{
    if (number.size() != 11)
        return false;
    for (QChar c : number) {
        if (!isDigit(c))
            return false;
    }
    int total = 0;
    for (int i = 0; i < 10; ++i) {
        const int digit = number[i].unicode() - u'0';
        if (i % 2 == 0) {
            total += digit;
        } else {
            const int doubled = digit * 2;
            total += doubled >= 10 ? doubled - 9 : doubled;
        }
    }
    const int expected = total % 10 == 0 ? 0 : 10 - total % 10;
    return number[10].unicode() - u'0' == expected;
}

QString vatOffice(const QString& code)
{
    static const QStringList Offices = { u"Torino"_s, u"Vercelli"_s, u"Novara"_s, u"Cuneo"_s, u"Asti"_s,
        u"Alessandria"_s, u"Aosta"_s, u"Imperia"_s, u"Savona"_s, u"Genova 1"_s, u"La Spezia"_s, u"Varese"_s, u"Como"_s,
        u"Sondrio"_s, u"Milano 1"_s, u"Bergamo"_s, u"Brescia 1"_s, u"Pavia"_s, u"Cremona"_s, u"Mantova"_s, u"Bolzano"_s,
        u"Trento"_s, u"Verona"_s, u"Vicenza"_s, u"Belluno"_s, u"Treviso"_s, u"Venezia"_s, u"Padova"_s, u"Rovigo"_s,
        u"Udine"_s, u"Gorizia"_s, u"Trieste"_s, u"Piacenza"_s, u"Parma"_s, u"Reggio Emilia"_s, u"Modena"_s,
        u"Bologna 1"_s, u"Ferrara"_s, u"Ravenna"_s, u"Forlì"_s, u"Pesaro"_s, u"Ancona"_s, u"Macerata"_s,
        u"Ascoli Piceno"_s, u"Massa Carrara"_s, u"Lucca"_s, u"Pistoia"_s, u"Firenze 1"_s, u"Livorno"_s, u"Pisa"_s,
        u"Arezzo"_s, u"Siena"_s, u"Grosseto"_s, u"Perugia"_s, u"Terni"_s, u"Viterbo"_s, u"Rieti"_s, u"Roma 1"_s,
        u"Latina"_s, u"Frosinone"_s, u"Caserta"_s, u"Benevento"_s, u"Napoli 1"_s, u"Avellino"_s, u"Salerno"_s,
        u"Aquila"_s, u"Teramo"_s, u"Pescara"_s, u"Chieti"_s, u"Campobasso"_s, u"Foggia"_s, u"Bari"_s, u"Taranto"_s,
        u"Brindisi"_s, u"Lecce"_s, u"Potenza"_s, u"Matera"_s, u"Cosenza"_s, u"Catanzaro"_s, u"Reggio Calabria"_s,
        u"Trapani"_s, u"Palermo"_s, u"Messina"_s, u"Agrigento"_s, u"Caltanissetta"_s, u"Enna"_s, u"Catania"_s,
        u"Ragusa"_s, u"Siracusa"_s, u"Sassari"_s, u"Nuoro"_s, u"Cagliari"_s, u"Pordenone"_s, u"Isernia"_s,
        u"Oristano"_s, u"Monza (Milano 2)"_s, u"Prato (Firenze 2)"_s, u"Brescia 2"_s, u"Chiavari (Genova 2)"_s,
        u"Roma 2"_s, u"Bologna 2"_s, u"Napoli 2"_s }; // codes 001 to 102
    if (code.size() != 3 || !isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2]))
        return QString();
    int n = code.toInt();
    if (n == 120 || n == 121)
        n -= 19; // 120 and 121 are the second offices of Bologna and Napoli
    return n >= 1 && n <= Offices.size() ? Offices[n - 1] : QString();
}

int cardKind(const QString& number)
{
    QList<int> digits;
    for (QChar c : QStringView(number).left(20)) {
        if (isDigit(c))
            digits << c.unicode() - u'0';
    }
    const qsizetype length = digits.size();
    if (length == 0)
        return 0;
    // The digit just left of the last one is doubled, and every second one from there leftwards.
    int total = 0;
    for (qsizetype i = length - 2, step = 0; i >= 0; --i, ++step) {
        int d = digits[i];
        if (step % 2 == 0) {
            d *= 2;
            if (d >= 10)
                d -= 9;
        }
        total += d;
    }
    const int expected = (10 - total % 10) % 10;
    if (digits.last() != expected)
        return 0;
    return digits.first() - 2;
}

QString cardIssuer(int kind, const QString& number)
{
    switch (kind) {
    case 1: {
        const QString firstTwo = texts::trim(number).left(2);
        if (firstTwo == u"30"_s || firstTwo == u"36"_s || firstTwo == u"38"_s)
            return u"Diner's Club / Carte Blanche"_s;
        if (firstTwo == u"34"_s || firstTwo == u"37"_s)
            return u"American Express"_s;
        if (firstTwo == u"31"_s || firstTwo == u"33"_s || firstTwo == u"35"_s)
            return u"JCB"_s;
        return QString();
    }
    case 2:
        return u"Visa"_s;
    case 3:
        return u"MasterCard"_s;
    case 4:
        return u"Discover"_s;
    default:
        return QString();
    }
}

int ibanRemainder(const QString& iban)
{
    QString t;
    for (QChar c : iban) {
        if (c != u' ')
            t += c;
    }
    t = t.toUpper();
    const qsizetype marker = t.indexOf(u"IBAN"_s);
    if (marker >= 0)
        t.remove(marker, 4);
    t = t.mid(4) + t.left(4);
    QString digits;
    for (QChar c : t) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            digits += QString::number(c.unicode() - u'A' + 10);
        else
            digits += c;
    }

    int result = 0;
    QString r;
    qsizetype start = 0;
    qsizetype pieceLength = 9;
    while (start < digits.size()) {
        if (pieceLength > digits.size())
            pieceLength = digits.size();
        r += digits.mid(start, pieceLength);
        bool ok = !r.isEmpty();
        for (QChar c : r)
            ok = ok && isDigit(c);
        if (!ok)
            return 0;
        result = int(r.toULongLong() % 97);
        r = QString::number(result);
        start += pieceLength;
        pieceLength = 9 - r.size();
    }
    return result;
}

} // namespace checks
