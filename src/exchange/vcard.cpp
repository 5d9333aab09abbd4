#include "exchange/vcard.h"

#include "exchange/contentlines.h"
#include "storage/texts.h"

#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;
using F = ContactField;

namespace exchange::vcard {

namespace {

// The fields that travel as X-QUIRVALE- properties, with their names.
struct Extra {
    F field;
    const char* name;
};
constexpr Extra Extras[] = {
    { F::birthPlace, "X-QUIRVALE-LUOGO-NASCITA" },
    { F::birthProvince, "X-QUIRVALE-PROVINCIA-NASCITA" },
    { F::sex, "X-QUIRVALE-SESSO" },
    { F::preferredPhone, "X-QUIRVALE-RECAPITO" },
    { F::paymentMethod, "X-QUIRVALE-PAGAMENTO" },
    { F::maritalStatus, "X-QUIRVALE-STATO-CIVILE" },
    { F::qualifications, "X-QUIRVALE-TITOLI" },
    { F::interests, "X-QUIRVALE-INTERESSI" },
    { F::zone, "X-QUIRVALE-ZONA" },
    { F::pendingIssues, "X-QUIRVALE-QUESTIONI" },
    { F::toRecontact, "X-QUIRVALE-RICONTATTARE" },
};
// Personal and banking identifiers: they leave only when asked.
constexpr Extra Fiscal[] = {
    { F::taxCode, "X-CODICE-FISCALE" },
    { F::vatNumber, "X-PARTITA-IVA" },
    { F::iban, "X-IBAN" },
    { F::identityDocument, "X-QUIRVALE-DOCUMENTO" },
};
constexpr const char* BirthDateText = "X-QUIRVALE-DATA-NASCITA";

QByteArrayView fieldBytes(const ContactView& record, F field)
{
    return FixedText::trimmedBytes(record.data() + ContactRecord::offset(field), ContactRecord::capacity(field));
}

const QStringList& surnameParticles()
{
    static const QStringList particles
        = { u"de"_s, u"di"_s, u"da"_s, u"del"_s, u"della"_s, u"dei"_s, u"degli"_s, u"dal"_s, u"dalla"_s, u"dall'"_s,
              u"d'"_s, u"lo"_s, u"la"_s, u"li"_s, u"le"_s, u"van"_s, u"von"_s, u"san"_s, u"santo"_s, u"santa"_s };
    return particles;
}

} // namespace

std::pair<QString, QString> splitName(const QString& fullName)
{
    const QStringList words = texts::trim(fullName).split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2)
        return { words.value(0), {} };
    qsizetype surnameWords = 1;
    while (surnameWords < words.size() - 1 && surnameParticles().contains(words[surnameWords - 1].toLower()))
        ++surnameWords;
    return { words.first(surnameWords).join(u' '), words.sliced(surnameWords).join(u' ') };
}

static bool isFirm(const ContactView& record)
{
    // A company's codice fiscale is its eleven digits; a person's has letters.
    static const QRegularExpression digits(u"^[0-9]{11}$"_s);
    if (digits.match(record.text(F::taxCode)).hasMatch())
        return true;
    // The legal forms of Italian firms, and the words a firm's name begins with.
    static const QRegularExpression form(
        u"(^|[\\s,])(s\\.?r\\.?l\\.?s?|s\\.?p\\.?a|s\\.?n\\.?c|s\\.?a\\.?s|s\\.?c\\.?a\\.?r\\.?l|soc\\.|& ?c\\.?)"
        u"($|[\\s,.])|^(società|farmacia|studio|ditta|associazione|consorzio|cooperativa|fondazione|comune di|"
        u"banca|hotel|albergo|ristorante|officina|autofficina|agenzia|impresa|azienda)\\b"_s,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return form.match(record.text(F::fullName)).hasMatch();
}

bool appendCard(QByteArray& out, const ContactView& record, QByteArrayView uid, const Options& options)
{
    const QByteArrayView name = fieldBytes(record, F::fullName);
    if (name.isEmpty())
        return false;
    const bool v4 = options.version4;
    LineWriter w(out);
    out.append("BEGIN:VCARD\r\n");
    out.append(v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n");
    w.rawLine("UID", uid);
    w.line("FN", name);
    if (isFirm(record)) {
        // A firm goes out as a firm: its name as the organisation, no
        // surname and first name for a phone to swap.
        if (v4)
            w.rawLine("KIND", "org");
        w.rawLine("N", ";;;;");
        w.line("ORG", name);
        if (!v4)
            w.rawLine("X-ABSHOWAS", "COMPANY");
    } else {
        const auto [family, given] = splitName(record.text(F::fullName));
        w.begin("N");
        w.textUtf16(family);
        w.raw(";");
        w.textUtf16(given);
        w.raw(";;;");
        w.end();
    }

    const auto optional = [&](QByteArrayView property, F field) {
        const QByteArrayView bytes = fieldBytes(record, field);
        if (!bytes.isEmpty())
            w.line(property, bytes);
    };
    const QString birth = record.text(F::birthDate);
    if (const auto date = texts::parseDate(birth); date && date->year() >= 1 && date->year() <= 9999) {
        char text[10];
        const auto digits = [&text](int at, int value, int width) {
            for (int i = width - 1; i >= 0; --i, value /= 10)
                text[at + i] = char('0' + value % 10);
        };
        digits(0, date->year(), 4);
        if (v4) {
            digits(4, date->month(), 2);
            digits(6, date->day(), 2);
            w.rawLine("BDAY", QByteArrayView(text, 8));
        } else {
            text[4] = text[7] = '-';
            digits(5, date->month(), 2);
            digits(8, date->day(), 2);
            w.rawLine("BDAY", QByteArrayView(text, 10));
        }
    } else {
        optional(BirthDateText, F::birthDate);
    }
    if (v4) {
        const QString sex = record.text(F::sex).toUpper();
        if (sex == u"M"_s || sex == u"F"_s)
            w.rawLine("GENDER", sex.toLatin1());
        QString place = record.text(F::birthPlace);
        if (const QString province = record.text(F::birthProvince); !province.isEmpty() && !place.isEmpty())
            place += u" ("_s + province + u')';
        if (!place.isEmpty()) {
            w.begin("BIRTHPLACE");
            w.textUtf16(place);
            w.end();
        }
    }

    const QByteArrayView street = fieldBytes(record, F::residenceAddress);
    const QByteArrayView town = fieldBytes(record, F::residenceTown);
    const QByteArrayView province = fieldBytes(record, F::residenceProvince);
    const QByteArrayView postCode = fieldBytes(record, F::postCode);
    if (!street.isEmpty() || !town.isEmpty() || !province.isEmpty() || !postCode.isEmpty()) {
        w.begin(v4 ? "ADR;TYPE=home" : "ADR;TYPE=HOME");
        w.raw(";;");
        w.text(street);
        w.raw(";");
        w.text(town);
        w.raw(";");
        w.text(province);
        w.raw(";");
        w.text(postCode);
        w.raw(";");
        w.end();
    }
    optional(v4 ? "TEL;TYPE=home,voice" : "TEL;TYPE=HOME,VOICE", F::homePhone);
    optional(v4 ? "TEL;TYPE=work,voice" : "TEL;TYPE=WORK,VOICE", F::officePhone);
    optional(v4 ? "TEL;TYPE=cell,voice" : "TEL;TYPE=CELL,VOICE", F::mobilePhone);
    optional(v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET", F::email);
    optional(v4 ? "EMAIL;TYPE=x-pec" : "EMAIL;TYPE=INTERNET,X-PEC", F::certifiedEmail);
    optional("TITLE", F::occupation);
    optional("NOTE", F::notes);
    for (const Extra& extra : Extras)
        optional(extra.name, extra.field);
    if (options.includeFiscal)
        for (const Extra& extra : Fiscal)
            optional(extra.name, extra.field);
    out.append("END:VCARD\r\n");
    return true;
}

QByteArray cardItem(const ContactRecord& record, const QString& uid, const Options& options)
{
    QByteArray out;
    if (!appendCard(out, record.view(), uid.toUtf8(), options))
        return {};
    return out;
}

QList<int> keptFields(bool fiscalCarried)
{
    QList<int> kept
        = { int(F::cardNumber), int(F::cardExpiry), int(F::attachedFile1), int(F::attachedFile2), int(F::attachedFile3),
              int(F::attachmentDescription1), int(F::attachmentDescription2), int(F::attachmentDescription3) };
    if (!fiscalCarried)
        for (const Extra& extra : Fiscal)
            kept.append(int(extra.field));
    return kept;
}

namespace {

constexpr int MaxCards = 500000;

QByteArray decodeQuotedPrintable(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() + 0 && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += char(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString decodeCharset(const QByteArray& bytes, const QString& charset)
{
    if (!charset.isEmpty()) {
        const QString name = charset.toUpper();
        if (name == u"WINDOWS-1252"_s || name == u"CP1252"_s)
            return cp1252::decode(bytes.constData(), bytes.size());
        const auto encoding = QStringConverter::encodingForName(name.toLatin1().constData());
        if (encoding) {
            QStringDecoder decoder(*encoding);
            return decoder.decode(bytes);
        }
    }
    return decodeFile(bytes);
}

// The value of a line as text: quoted-printable and its charset undone.
// Structured values keep their separators and escapes for splitStructured.
QString rawValue(const ContentLine& line)
{
    QStringList encodings = line.paramValues(u"ENCODING"_s);
    // vCard 2.1 may write the encoding bare: "NOTE;QUOTED-PRINTABLE:".
    if (line.hasParam(u"QUOTED-PRINTABLE"_s))
        encodings.append(u"QUOTED-PRINTABLE"_s);
    if (encodings.contains(u"QUOTED-PRINTABLE"_s)) {
        const QStringList charsets = line.paramValues(u"CHARSET"_s);
        return decodeCharset(decodeQuotedPrintable(line.value.toLatin1()), charsets.value(0));
    }
    return line.value;
}

bool isBinary(const ContentLine& line)
{
    const QStringList encodings = line.paramValues(u"ENCODING"_s);
    return encodings.contains(u"B"_s) || encodings.contains(u"BASE64"_s) || line.hasParam(u"BASE64"_s);
}

std::optional<QDate> birthDate(const QString& value)
{
    QString text = value.trimmed();
    if (const qsizetype t = text.indexOf(u'T'); t >= 0)
        text.truncate(t);
    text.remove(u'-');
    if (text.size() != 8)
        return std::nullopt;
    const QDate date = QDate::fromString(text, u"yyyyMMdd"_s);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// A telephone goes into its field in one step, the same for placed and
// unplaced numbers: the characters the archive does not keep are left out
// first, then the number is cut to its field and trimmed as the archive
// trims, so that nothing the archive would trim (a blank or a control
// character) is left at the cut, and nothing it keeps (a non-breaking space)
// is trimmed away.
void setPhone(ContactRecord& record, ContactField field, const QString& number)
{
    record.setText(field, texts::trim(cleanText(number).left(ContactRecord::capacity(field))));
}

struct Card {
    int line = 0;
    int endLine = 0;
    QString version;
    QList<ContentLine> lines;
};

// The lines each field of a card was read from, by their line numbers.
using Sources = QHash<int, QList<int>>;

Incoming convert(const Card& card, Sources* sources = nullptr)
{
    Incoming item;
    item.line = card.line;
    ContactRecord record;
    Sources from;
    QHash<int, QString> given; // the text each field was given, before the field held it
    const auto put = [&](F field, const QString& value, int line) {
        record.setText(field, value);
        given.insert(int(field), value);
        from[int(field)].append(line);
    };
    const bool escaped = card.version != u"2.1"_s;
    const auto textOf = [escaped](const ContentLine& line) {
        const QString raw = rawValue(line);
        return escaped ? unescapeText(raw) : raw;
    };
    QString fn, org;
    QStringList n;
    QList<int> nameLines; // every FN and N: the last of each is the one read
    int orgLine = 0;
    bool fiscal = false;
    bool birthFromBday = false;
    std::optional<QString> sexFromExtra;
    QString gender;
    QList<std::pair<QString, int>> unplacedPhones; // numbers and their lines
    for (const ContentLine& line : card.lines) {
        if (isBinary(line))
            continue; // photos, logos, sounds
        const QString& name = line.name;
        if (name == u"UID"_s) {
            item.uid = cleanUid(textOf(line));
        } else if (name == u"KIND"_s || name == u"X-ADDRESSBOOKSERVER-KIND"_s) {
            item.group = textOf(line).trimmed().compare(u"group"_s, Qt::CaseInsensitive) == 0;
        } else if (name == u"FN"_s) {
            fn = textOf(line);
            nameLines.append(line.line);
        } else if (name == u"N"_s) {
            n = splitStructured(rawValue(line), u';');
            nameLines.append(line.line);
        } else if (name == u"ORG"_s) {
            org = splitStructured(rawValue(line), u';').value(0);
            orgLine = line.line;
        } else if (name == u"BDAY"_s) {
            if (const auto date = birthDate(textOf(line))) {
                record.setText(F::birthDate, texts::formatDate(*date));
                from[int(F::birthDate)].append(line.line);
                birthFromBday = true;
            }
        } else if (name == QLatin1StringView(BirthDateText)) {
            if (!birthFromBday)
                put(F::birthDate, textOf(line), line.line);
            else
                from[int(F::birthDate)].append(line.line);
        } else if (name == u"GENDER"_s) {
            gender = splitStructured(rawValue(line), u';').value(0).trimmed().toUpper();
            from[int(F::sex)].append(line.line);
        } else if (name == u"ADR"_s) {
            if (!record.text(F::residenceAddress).isEmpty() || !record.text(F::residenceTown).isEmpty())
                continue; // the first address only
            const QStringList parts = splitStructured(rawValue(line), u';');
            QStringList street;
            for (int i : { 0, 1, 2 })
                if (!texts::trim(parts.value(i)).isEmpty())
                    street.append(texts::trim(parts.value(i)));
            put(F::residenceAddress, street.join(u' '), line.line);
            put(F::residenceTown, parts.value(3), line.line);
            put(F::residenceProvince, parts.value(4), line.line);
            put(F::postCode, parts.value(5), line.line);
        } else if (name == u"TEL"_s) {
            const QStringList types = line.paramValues(u"TYPE"_s);
            QString number = texts::trim(textOf(line));
            // vCard 4.0 may write a telephone as a URI: "TEL;VALUE=uri:tel:+39-06-1234".
            if (line.paramValues(u"VALUE"_s).contains(u"URI"_s) && number.startsWith(u"tel:"_s, Qt::CaseInsensitive))
                number = texts::trim(number.sliced(4));
            if (types.contains(u"FAX"_s) || number.isEmpty())
                continue;
            F field = F::homePhone;
            if (types.contains(u"CELL"_s))
                field = F::mobilePhone;
            else if (types.contains(u"WORK"_s))
                field = F::officePhone;
            else if (!types.contains(u"HOME"_s)) {
                unplacedPhones.append({ number, line.line });
                continue;
            }
            if (record.text(field).isEmpty()) {
                setPhone(record, field, number);
                from[int(field)] = { line.line };
            } else {
                unplacedPhones.append({ number, line.line });
            }
        } else if (name == u"EMAIL"_s) {
            const QStringList types = line.paramValues(u"TYPE"_s);
            const bool pec = types.contains(u"X-PEC"_s) || types.contains(u"PEC"_s);
            const F field = pec ? F::certifiedEmail : F::email;
            if (record.text(field).isEmpty())
                put(field, textOf(line), line.line);
        } else if (name == u"TITLE"_s || (name == u"ROLE"_s && record.text(F::occupation).isEmpty())) {
            put(F::occupation, textOf(line), line.line);
        } else if (name == u"NOTE"_s) {
            put(F::notes, textOf(line), line.line);
        } else {
            for (const Extra& extra : Extras)
                if (name == QLatin1StringView(extra.name)) {
                    put(extra.field, textOf(line), line.line);
                    if (extra.field == F::sex)
                        sexFromExtra = textOf(line);
                }
            for (const Extra& extra : Fiscal)
                if (name == QLatin1StringView(extra.name)) {
                    put(extra.field, textOf(line), line.line);
                    fiscal = true;
                }
        }
    }
    // Telephones without a type fill the free places.
    for (const auto& [number, numberLine] : unplacedPhones)
        for (F field : { F::homePhone, F::officePhone, F::mobilePhone })
            if (record.text(field).isEmpty()) {
                setPhone(record, field, number);
                from[int(field)] = { numberLine };
                break;
            }
    if (!sexFromExtra && (gender == u"M"_s || gender == u"F"_s))
        record.setText(F::sex, gender);
    // "Cognome e nome" from the structured name, family first, then given
    // and additional names: phones write FN with the first name first. FN
    // stays when it says the same (its own spacing kept).
    QStringList words;
    for (int i : { 0, 1, 2 })
        if (!texts::trim(n.value(i)).isEmpty())
            words.append(texts::trim(n.value(i)));
    const QString structured = words.join(u' ');
    QString fullName = texts::trim(fn);
    if (!structured.isEmpty() && fullName.simplified() != structured.simplified())
        fullName = structured;
    if (fullName.isEmpty()) {
        fullName = texts::trim(org);
        from[int(F::fullName)].append(orgLine);
    }
    // Both names of a card say who it is: an edited name goes out in both.
    from[int(F::fullName)] += nameLines;
    if (record.text(F::toRecontact).isEmpty())
        record.setFlag(F::toRecontact, false);
    record.setText(F::fullName, fullName);
    given.insert(int(F::fullName), fullName);
    cleanRecord(record);
    for (int f = 0; f < ContactRecord::FieldCount; ++f)
        if (const auto text = given.constFind(f);
            text != given.cend() && record.text(F(f)) != texts::trim(cleanText(*text)))
            item.altered.append(QStringView(records::ContactLayout::Captions[size_t(f)]).toString());
    if (sources)
        *sources = std::move(from);
    item.key = item.uid;
    item.label = record.text(F::fullName).isEmpty() ? u"(senza nome)"_s : record.text(F::fullName);
    if (item.group) {
        item.skipReason = u"gruppo di contatti, non un contatto"_s;
        return item;
    }
    if (record.text(F::fullName).isEmpty()) {
        item.skipReason = u"senza nome"_s;
        return item;
    }
    item.record = QByteArray(record.data(), ContactRecord::Size);
    item.keptFields = keptFields(fiscal);
    return item;
}

} // namespace

namespace {

// Every card of a file's text, in order, to `each`.
template <typename Each>
void walkCards(const QString& text, Each each, QList<int>* unreadable = nullptr)
{
    const QList<ContentLine> lines = contentLines(text, unreadable);
    if (lines.isEmpty())
        throw FileDamage(1, u"il file è vuoto."_s);
    qsizetype cards = 0;
    std::optional<Card> card;
    int nested = 0; // a vCard inside a vCard (AGENT in 2.1) is skipped whole
    for (const ContentLine& line : lines) {
        const bool isBegin = line.name == u"BEGIN"_s;
        const bool isEnd = line.name == u"END"_s;
        const QString value = line.value.trimmed().toUpper();
        if (!card) {
            if (!isBegin || value != u"VCARD"_s)
                throw FileDamage(line.line, u"atteso BEGIN:VCARD all'inizio di un contatto."_s);
            if (cards >= MaxCards)
                throw FileDamage(line.line, u"il file contiene troppi contatti."_s);
            card = Card { line.line, 0, {}, {} };
            continue;
        }
        if (isBegin) {
            if (++nested > 4)
                throw FileDamage(line.line, u"troppi componenti uno dentro l'altro."_s);
            continue;
        }
        if (isEnd && nested > 0) {
            --nested;
            continue;
        }
        if (nested > 0)
            continue;
        if (isEnd) {
            if (value != u"VCARD"_s)
                throw FileDamage(
                    line.line, u"END:%1 non chiude il contatto aperto alla riga %2."_s.arg(value).arg(card->line));
            card->endLine = line.line;
            each(*card);
            ++cards;
            card.reset();
            continue;
        }
        if (line.name == u"VERSION"_s) {
            card->version = line.value.trimmed();
            if (card->version != u"2.1"_s && card->version != u"3.0"_s && card->version != u"4.0"_s)
                throw FileDamage(
                    line.line, u"versione vCard \"%1\" non gestita (si leggono 2.1, 3.0 e 4.0)."_s.arg(card->version));
            continue;
        }
        card->lines.append(line);
    }
    if (card)
        throw FileDamage(card->line, u"il contatto aperto qui non è mai chiuso (manca END:VCARD)."_s);
}

} // namespace

QList<Incoming> readCards(const QByteArray& file)
{
    if (file.size() > MaxImportBytes)
        throw FileDamage(1, u"il file è troppo grande per essere importato."_s);
    const QString text = decodeFile(file);
    // Where each line of the text begins, for the cards as written.
    QList<qsizetype> starts = { 0 };
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
        starts.append(at + 1);
    starts.append(text.size());
    QList<Incoming> result;
    QList<int> unreadable;
    walkCards(
        text,
        [&](const Card& card) {
            result.append(convert(card));
            Incoming& item = result.last();
            item.label += unreadableNote(unreadable, card.line, card.endLine);
            if (!item.skipReason.isEmpty())
                return;
            const qsizetype from = starts.value(card.line - 1, text.size());
            const qsizetype to = starts.value(card.endLine, text.size());
            item.original = QStringView(text).sliced(from, std::max<qsizetype>(0, to - from)).toUtf8();
            // A card without UID (phones writing vCard 2.1) is known again by
            // what it says, as long as it says the same.
            if (item.key.isEmpty())
                item.key = keyOfText(item.original);
        },
        &unreadable);
    return result;
}

QByteArray patchedCardItem(const QByteArray& original, const ContactRecord& record, const QString& uid, Options options,
    std::span<const int> edited)
{
    std::optional<Card> was;
    QList<int> unreadable; // lines of the original that stay as they came
    try {
        walkCards(
            decodeFile(original),
            [&](const Card& card) {
                if (!was)
                    was = card;
            },
            &unreadable);
    } catch (const FileDamage&) {
        return {};
    }
    if (!was)
        return {};
    if (options.ownVersion && (was->version == u"3.0"_s || was->version == u"4.0"_s))
        options.version4 = was->version == u"4.0"_s;
    const bool old = was->version != (options.version4 ? u"4.0"_s : u"3.0"_s);
    const QByteArray generated = cardItem(record, uid, options);
    std::optional<Card> ours;
    try {
        walkCards(decodeFile(generated), [&](const Card& card) { ours = card; });
    } catch (const FileDamage&) {
        return {};
    }
    if (generated.isEmpty() || !ours)
        return {};
    Sources before, after;
    convert(*was, &before);
    convert(*ours, &after);

    QSet<int> starts;
    for (const ContentLine& line : was->lines)
        starts.insert(line.line);
    const QSet<int> lineStartsOfOriginal = contentLineStarts(decodeFile(original));
    ItemParts mine = splitItem(original, "VCARD", &lineStartsOfOriginal);
    const ItemParts theirs = splitItem(generated, "VCARD");
    if (!mine.found || !theirs.found)
        return {};
    // A quoted-printable value goes on over the lines its soft breaks end:
    // those lines belong to the line they continue.
    QSet<int> lineStarts;
    for (const ContentLine& line : contentLines(decodeFile(original), &unreadable))
        lineStarts.insert(line.line);
    QList<ItemUnit> joined;
    for (const ItemUnit& unit : std::as_const(mine.units)) {
        if (!joined.isEmpty() && !lineStarts.contains(unit.line))
            joined.last().text += unit.text;
        else
            joined.append(unit);
    }
    mine.units = joined;

    // Each edited field's lines where they stood: a card is read in order,
    // and the first of several e-mails or telephones is the one a field holds.
    QList<UnitReplacement> replacements;
    const auto replace = [&](const QList<int>& from, const QList<int>& to) {
        UnitReplacement replacement;
        for (int l : from)
            replacement.drop.insert(l);
        for (const ItemUnit& unit : theirs.units)
            if (to.contains(unit.line))
                replacement.put.append(unit);
        replacements.append(replacement);
    };
    const auto linesNamed = [](const ItemParts& parts, QByteArrayView name) {
        QList<int> lines;
        for (const ItemUnit& unit : parts.units)
            if (unit.name == name)
                lines.append(unit.line);
        return lines;
    };
    if (old) {
        replace(linesNamed(mine, "VERSION"), linesNamed(theirs, "VERSION"));
        for (int f = 0; f < ContactRecord::FieldCount; ++f)
            replace(before.value(f), after.value(f));
    } else {
        for (int f : edited)
            if (f >= 0 && f < ContactRecord::FieldCount)
                replace(before.value(f), after.value(f));
    }
    bool hasUid = false;
    UnitReplacement gone; // what only vCard 2.1 reads: its encodings
    for (const ItemUnit& unit : std::as_const(mine.units)) {
        hasUid = hasUid || unit.name == "UID";
        const QByteArray head = unit.text.left(unit.text.indexOf(':')).toUpper();
        if (old && (!starts.contains(unit.line) || head.contains("QUOTED-PRINTABLE") || head.contains("CHARSET"))
            && unit.name != "VERSION")
            gone.drop.insert(unit.line);
    }
    replacements.append(gone);
    if (!hasUid)
        replace({}, linesNamed(theirs, "UID"));
    const QList<ItemUnit> units = replaceUnits(mine.units, replacements);
    mine.units = units;
    return mine.joined();
}

} // namespace exchange::vcard
