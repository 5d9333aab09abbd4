// Any text through the identifier checks (codice fiscale, partita IVA, card,
// IBAN), the amount normalisation, which always gives digits, a comma and
// two digits, and the date and day-count readings. The bytes are read as
// UTF-8, as Windows-1252 and, when they pair up, as UTF-16.
#include "fuzzsupport.h"

#include "checks/identifiers.h"
#include "storage/fixedtext.h"
#include "storage/texts.h"

#include <QRegularExpression>

namespace {

void oneText(const QString& text)
{
    static const QRegularExpression amountForm(QStringLiteral("^(0|[1-9][0-9]*),[0-9][0-9]$"));
    const QString amount = texts::normaliseAmount(text);
    fuzz::expect(amountForm.match(amount).hasMatch(), "amount not digits, comma, two digits",
        QStringLiteral("[%1] -> [%2]").arg(text, amount));
    fuzz::expect(texts::normaliseAmount(amount) == amount, "amount normalised twice changes", amount);
    if (const auto cents = texts::amountToCents(text)) {
        fuzz::expect(*cents >= 0, "negative amount", amount);
        fuzz::expect(texts::centsToAmount(*cents) == amount, "cents do not give the amount back", amount);
    }

    if (const auto date = texts::parseDate(text)) {
        fuzz::expect(date->isValid(), "invalid date read", text);
        fuzz::expect(texts::parseDate(texts::formatDate(*date)) == date, "date does not read back", text);
    }
    if (const auto days = texts::parseDays(text))
        fuzz::expect(*days >= 0, "negative day count", text);

    const bool taxCode = checks::taxCodeValid(text);
    if (taxCode)
        fuzz::expect(checks::taxCodeCheckCharacter(QStringView(text).left(15)) == text.at(15), "codice fiscale", text);
    if (checks::vatNumberValid(text)) {
        for (QChar c : text)
            fuzz::expect(c.isDigit() && c.unicode() < 128, "partita IVA accepted with a non-digit", text);
        (void)checks::vatOffice(text.left(3));
    }
    (void)checks::vatOffice(text);
    const int kind = checks::cardKind(text);
    fuzz::expect(kind >= -2 && kind <= 7, "card kind out of range", text);
    (void)checks::cardIssuer(kind, text);
    const int remainder = checks::ibanRemainder(text);
    fuzz::expect(remainder >= 0 && remainder < 97, "IBAN remainder out of range", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    oneText(QString::fromUtf8(bytes, qsizetype(size)));
    oneText(cp1252::decode(bytes, qsizetype(size)));
    if (size % 2 == 0)
        oneText(QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2)));
    return 0;
}
