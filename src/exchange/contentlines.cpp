#include "exchange/contentlines.h"

#include "storage/fixedtext.h"
#include "storage/itemmap.h"

#include <QHash>
#include <QStringDecoder>

#include <array>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace exchange {

namespace {

// UTF-8 of every Windows-1252 byte, at most three octets each.
struct Utf8Table {
    std::array<std::array<char, 3>, 256> bytes {};
    std::array<quint8, 256> sizes {};
    Utf8Table()
    {
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QByteArray utf8 = cp1252::decode(&c, 1).toUtf8();
            sizes[b] = quint8(utf8.size());
            for (qsizetype i = 0; i < utf8.size() && i < 3; ++i)
                bytes[b][i] = utf8[i];
        }
    }
};

const Utf8Table& utf8Table()
{
    static const Utf8Table table;
    return table;
}

constexpr int FoldAt = 75;

} // namespace

FileDamage::FileDamage(int line, QString problem)
    : m_line(line)
    , m_problem(std::move(problem))
    , m_what(message().toUtf8())
{
}

QString FileDamage::message() const
{
    return u"Il file è danneggiato alla riga %1: %2"_s.arg(m_line).arg(m_problem);
}

const char* FileDamage::what() const noexcept
{
    return m_what.constData();
}

char* LineWriter::room(qsizetype bytes)
{
    // Every octet of a value takes at most two in the file (an escape), every
    // 74 octets a fold of three more.
    const qsizetype used = m_out.size();
    const qsizetype needed = bytes * 2 + (bytes * 2 / 74 + 2) * 3 + 8;
    if (m_out.capacity() < used + needed)
        m_out.reserve(std::max(used + needed, m_out.capacity() * 2));
    m_out.resize(used + needed);
    return m_out.data() + used;
}

void LineWriter::done(char* end)
{
    m_out.resize(end - m_out.constData());
}

char* LineWriter::put(char* at, const char* bytes, int size)
{
    // A line longer than 75 octets goes on in a continuation line that
    // begins with a blank; a character is never cut in two.
    if (m_column + size > FoldAt) {
        *at++ = '\r';
        *at++ = '\n';
        *at++ = ' ';
        m_column = 1;
    }
    for (int i = 0; i < size; ++i)
        *at++ = bytes[i];
    m_column += size;
    return at;
}

void LineWriter::begin(QByteArrayView nameAndParams)
{
    m_column = 0;
    raw(nameAndParams);
    raw(":");
}

void LineWriter::text(QByteArrayView cp1252)
{
    const Utf8Table& table = utf8Table();
    const qsizetype n = cp1252.size();
    // A Windows-1252 octet is at most three in UTF-8.
    char* at = room(n * 2);
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = quint8(cp1252[i]);
        switch (b) {
        case '\\':
            at = put(at, "\\\\", 2);
            break;
        case ';':
            at = put(at, "\\;", 2);
            break;
        case ',':
            at = put(at, "\\,", 2);
            break;
        case '\r':
            // The archives break lines with "\r\n" or "\n\r": one break.
            if (i + 1 < n && cp1252[i + 1] == '\n')
                ++i;
            at = put(at, "\\n", 2);
            break;
        case '\n':
            if (i + 1 < n && cp1252[i + 1] == '\r')
                ++i;
            at = put(at, "\\n", 2);
            break;
        default:
            if (b >= 32 && b < 128) {
                // Plain ASCII, most of every file: one octet, folded in place.
                if (m_column >= FoldAt) {
                    *at++ = '\r';
                    *at++ = '\n';
                    *at++ = ' ';
                    m_column = 1;
                }
                *at++ = char(b);
                ++m_column;
                break;
            }
            if (b < 32 && b != '\t')
                break; // other controls have no place in a content line
            at = put(at, table.bytes[b].data(), table.sizes[b]);
        }
    }
    done(at);
}

void LineWriter::textUtf16(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    char* at = room(utf8.size());
    for (qsizetype i = 0; i < utf8.size();) {
        const auto b = quint8(utf8[i]);
        // The length of the UTF-8 sequence that starts here.
        const int size = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (b == '\\' || b == ';' || b == ',') {
            const char escaped[2] = { '\\', char(b) };
            at = put(at, escaped, 2);
        } else if (b == '\n') {
            at = put(at, "\\n", 2);
        } else if (b >= 32 || b == '\t') {
            at = put(at, utf8.constData() + i, int(std::min<qsizetype>(size, utf8.size() - i)));
        }
        i += size;
    }
    done(at);
}

void LineWriter::raw(QByteArrayView ascii)
{
    char* at = room(ascii.size());
    for (char c : ascii)
        at = put(at, &c, 1);
    done(at);
}

void LineWriter::end()
{
    m_out.append("\r\n", 2);
    m_column = 0;
}

QStringList ContentLine::paramValues(const QString& wanted) const
{
    QStringList values;
    for (const auto& [name, value] : params) {
        if (name != wanted)
            continue;
        for (const QString& part : value.split(u','))
            values.append(part.trimmed().toUpper());
    }
    // vCard 2.1 writes types bare: "TEL;CELL;VOICE:".
    if (wanted == u"TYPE"_s)
        for (const auto& [name, value] : params)
            if (value.isNull())
                values.append(name);
    return values;
}

bool ContentLine::hasParam(const QString& wanted) const
{
    for (const auto& param : params)
        if (param.first == wanted)
            return true;
    return false;
}

QString decodeFile(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    // Files put together from several sources mix UTF-8 and Windows-1252
    // (a card a phone wrote among those of an old program): each line is
    // read as UTF-8 when it is valid UTF-8, as Windows-1252 otherwise.
    text.clear();
    text.reserve(view.size());
    qsizetype from = 0;
    while (from < view.size()) {
        qsizetype end = view.indexOf('\n', from);
        end = end < 0 ? view.size() : end + 1;
        const QByteArrayView line = view.sliced(from, end - from);
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = lineDecoder.decode(line);
        text += lineDecoder.hasError() ? cp1252::decode(line.data(), line.size()) : decoded;
        from = end;
    }
    return text;
}

namespace {

bool isNameChar(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_'
        || c == u'.';
}

// Parses "NAME;P=V;P2="a,b":value" starting the content line.
ContentLine parseLine(const QString& text, int lineNumber)
{
    ContentLine line;
    line.line = lineNumber;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isNameChar(text[i]))
        ++i;
    if (i == 0)
        throw FileDamage(lineNumber, u"la riga non comincia con il nome di una proprietà."_s);
    line.name = text.first(i).toUpper();
    // vCard 2.1 groups: "item1.TEL" keeps only the property name.
    if (const qsizetype dot = line.name.lastIndexOf(u'.'); dot >= 0)
        line.name = line.name.mid(dot + 1);
    while (i < n && text[i] == u';') {
        ++i;
        const qsizetype start = i;
        while (i < n && text[i] != u'=' && text[i] != u';' && text[i] != u':')
            ++i;
        const QString name = text.sliced(start, i - start).trimmed().toUpper();
        QString value;
        if (i < n && text[i] == u'=') {
            ++i;
            value = u""_s;
            while (i < n && text[i] != u';' && text[i] != u':') {
                if (text[i] == u'"') {
                    const qsizetype close = text.indexOf(u'"', i + 1);
                    if (close < 0)
                        throw FileDamage(lineNumber, u"virgolette non chiuse in un parametro."_s);
                    value += text.sliced(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    value += text[i++];
                }
            }
        }
        line.params.append({ name, value });
    }
    if (i >= n || text[i] != u':')
        throw FileDamage(lineNumber, u"manca il carattere \":\" dopo il nome della proprietà."_s);
    line.value = text.sliced(i + 1);
    return line;
}

} // namespace

QList<ContentLine> contentLines(const QString& text, QList<int>* unreadable)
{
    QList<ContentLine> lines;
    QString current;
    int currentLine = 0;
    bool quotedPrintable = false;
    std::optional<FileDamage> firstDamage;
    const auto flush = [&] {
        if (!current.isEmpty()) {
            if (unreadable) {
                try {
                    lines.append(parseLine(current, currentLine));
                } catch (const FileDamage& damage) {
                    unreadable->append(currentLine);
                    if (!firstDamage)
                        firstDamage = damage;
                }
            } else {
                lines.append(parseLine(current, currentLine));
            }
            current.clear();
        }
    };
    int number = 0;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos <= n) {
        qsizetype eol = text.indexOf(u'\n', pos);
        if (eol < 0)
            eol = n;
        QStringView physical = QStringView(text).sliced(pos, eol - pos);
        if (physical.endsWith(u'\r'))
            physical.chop(1);
        ++number;
        pos = eol + 1;
        if (physical.isEmpty()) {
            if (eol == n)
                break;
            continue;
        }
        if (quotedPrintable && current.endsWith(u'=')) {
            // Quoted-printable soft line break (vCard 2.1): the next line goes
            // on as it is, a blank it begins with included.
            current.chop(1);
            current += physical;
        } else if (physical.front() == u' ' || physical.front() == u'\t') {
            // A folded line goes on the one before; a continuation before any line is damage.
            if (current.isEmpty())
                throw FileDamage(number, u"una riga di continuazione non segue alcuna proprietà."_s);
            current += physical.sliced(1);
        } else {
            flush();
            current = physical.toString();
            currentLine = number;
            const qsizetype colon = current.indexOf(u':');
            quotedPrintable = colon > 0 && current.first(colon).contains(u"QUOTED-PRINTABLE"_s, Qt::CaseInsensitive);
        }
        if (eol == n)
            break;
    }
    flush();
    // Nothing could be read: the file is no calendar or address book at all.
    if (lines.isEmpty() && firstDamage)
        throw *firstDamage;
    return lines;
}

QString unreadableNote(const QList<int>& unreadable, int from, int to)
{
    QStringList numbers;
    qsizetype more = 0;
    for (const int line : unreadable)
        if (line >= from && line <= to) {
            if (numbers.size() < 3)
                numbers.append(QString::number(line));
            else
                ++more;
        }
    if (numbers.isEmpty())
        return QString();
    if (numbers.size() == 1)
        return u" (riga %1 non letta)"_s.arg(numbers[0]);
    return u" (righe non lette: %1%2)"_s.arg(numbers.join(u", "_s), more ? u" e altre %1"_s.arg(more) : QString());
}

QString cleanText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            clean += u'\n';
        } else if (c == u'\n') {
            if (i + 1 < text.size() && text[i + 1] == u'\r')
                ++i;
            clean += u'\n';
        } else if (c.unicode() >= 32 || c == u'\t') {
            clean += c;
        }
    }
    return clean;
}

QString unescapeText(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            if (next == u'n' || next == u'N')
                out += u'\n';
            else
                out += next;
        } else {
            out += c;
        }
    }
    return out;
}

QStringList splitStructured(QStringView value, QChar separator)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;
        } else if (value[i] == separator) {
            parts.append(unescapeText(value.sliced(start, i - start)));
            start = i + 1;
        }
    }
    parts.append(unescapeText(value.sliced(start)));
    return parts;
}

namespace {

// The name of a content line: up to its parameters or value, upper case,
// without its group.
QByteArray lineName(QByteArrayView line)
{
    qsizetype end = 0;
    while (end < line.size() && line[end] != ';' && line[end] != ':')
        ++end;
    QByteArray name = line.first(end).toByteArray().trimmed().toUpper();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
        name.remove(0, dot + 1);
    return name;
}

} // namespace

std::optional<std::pair<bool, QByteArray>> componentMark(QByteArrayView line)
{
    if (line.isEmpty() || line[0] == ' ' || line[0] == '\t')
        return std::nullopt;
    const QByteArray name = lineName(line);
    if (name != "BEGIN" && name != "END")
        return std::nullopt;
    const qsizetype colon = line.indexOf(':');
    // Trimmed as the readers trim a value: Unicode blanks too.
    const QByteArray kind
        = colon < 0 ? QByteArray() : QString::fromUtf8(line.sliced(colon + 1)).trimmed().toUpper().toUtf8();
    return std::pair { name == "BEGIN", kind };
}

QString cleanUid(const QString& uid)
{
    QString clean;
    clean.reserve(uid.size());
    for (const QChar c : uid)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f && c.category() != QChar::Separator_Line
            && c.category() != QChar::Separator_Paragraph)
            clean += c;
    return clean.trimmed();
}

QString keyOfText(QByteArrayView text)
{
    QByteArray plain = text.toByteArray();
    plain.replace("\r", "");
    return QString::number(itemmap::fingerprint(plain.constData(), int(plain.size())), 16).rightJustified(16, u'0')
        + u"-senza-uid@quirvale"_s;
}

QList<ItemUnit> replaceUnits(const QList<ItemUnit>& units, const QList<UnitReplacement>& replacements)
{
    QSet<qsizetype> dropped;
    QHash<qsizetype, QList<const ItemUnit*>> before; // what goes in before a unit
    QList<const ItemUnit*> atEnd;
    for (const UnitReplacement& replacement : replacements) {
        qsizetype anchor = -1;
        for (qsizetype i = 0; i < units.size(); ++i)
            if (replacement.drop.contains(units[i].line)) {
                dropped.insert(i);
                if (anchor < 0)
                    anchor = i;
            }
        for (const ItemUnit& unit : replacement.put)
            (anchor < 0 ? atEnd : before[anchor]).append(&unit);
    }
    QList<ItemUnit> out;
    QSet<QByteArray> put;
    const auto add = [&](const QList<const ItemUnit*>& list) {
        for (const ItemUnit* unit : list)
            if (!put.contains(unit->text)) {
                put.insert(unit->text);
                out.append(*unit);
            }
    };
    for (qsizetype i = 0; i < units.size(); ++i) {
        add(before.value(i));
        if (!dropped.contains(i))
            out.append(units[i]);
    }
    add(atEnd);
    return out;
}

QByteArray ItemParts::joined() const
{
    QByteArray out = head;
    for (const ItemUnit& unit : units)
        out += unit.text;
    out += tail;
    return out;
}

QSet<int> contentLineStarts(const QString& text)
{
    QSet<int> starts;
    QList<int> unreadable; // they go on the line before, as they came
    try {
        for (const ContentLine& line : contentLines(text, &unreadable))
            starts.insert(line.line);
    } catch (const FileDamage&) {
        starts.clear();
    }
    return starts;
}

ItemParts splitItem(QByteArrayView item, QByteArrayView kind, const QSet<int>* starts)
{
    ItemParts parts;
    const QByteArray wanted = kind.toByteArray().toUpper();
    int depth = 0; // within the component: 1 its own lines, more a nested component
    bool done = false;
    forEachLine(item, [&](QByteArrayView line, int number) {
        const QByteArray text = line.toByteArray() + "\r\n";
        const bool continued
            = (!line.isEmpty() && (line[0] == ' ' || line[0] == '\t')) || (starts && !starts->contains(number));
        const auto mark = continued ? std::nullopt : componentMark(line);
        if (done || (depth == 0 && !parts.found)) {
            if (!done && mark && mark->first && mark->second == wanted) {
                parts.found = true;
                depth = 1;
            }
            (done ? parts.tail : parts.head) += text;
            return;
        }
        if (depth == 1 && mark && !mark->first && mark->second == wanted) {
            done = true;
            parts.tail += text;
            return;
        }
        if (continued || line.trimmed().isEmpty()) {
            if (!parts.units.isEmpty())
                parts.units.last().text += text;
            return;
        }
        if (depth > 1) {
            parts.units.last().text += text;
            if (mark)
                depth += mark->first ? 1 : -1;
            return;
        }
        if (mark && mark->first) {
            parts.units.append({ "BEGIN:" + mark->second, text, number });
            ++depth;
            return;
        }
        parts.units.append({ lineName(line), text, number });
    });
    if (!done)
        parts.found = false;
    return parts;
}

} // namespace exchange
