#include "exchange/icalendar.h"

#include "exchange/contentlines.h"
#include "storage/texts.h"

#include <libical/ical.h>

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace exchange::ical {

namespace {

const QByteArray RomeId = "Europe/Rome";

// The standard rules of Italian time since 1996, as desktop calendars write them.
const QByteArray RomeZone = "BEGIN:VTIMEZONE\r\n"
                            "TZID:Europe/Rome\r\n"
                            "BEGIN:DAYLIGHT\r\n"
                            "TZOFFSETFROM:+0100\r\n"
                            "TZOFFSETTO:+0200\r\n"
                            "TZNAME:CEST\r\n"
                            "DTSTART:19700329T020000\r\n"
                            "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                            "END:DAYLIGHT\r\n"
                            "BEGIN:STANDARD\r\n"
                            "TZOFFSETFROM:+0200\r\n"
                            "TZOFFSETTO:+0100\r\n"
                            "TZNAME:CET\r\n"
                            "DTSTART:19701025T030000\r\n"
                            "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                            "END:STANDARD\r\n"
                            "END:VTIMEZONE\r\n";

// The properties of the fields that no standard property holds.
constexpr const char* Details = "X-QUIRVALE-DETTAGLI";
constexpr const char* Phone = "X-QUIRVALE-TELEFONO";
constexpr const char* Mobile = "X-QUIRVALE-CELLULARE";
constexpr const char* Email = "X-QUIRVALE-EMAIL";
constexpr const char* Amount = "X-QUIRVALE-IMPORTO";
constexpr const char* Fulfilled = "X-QUIRVALE-ASSOLTO";
constexpr const char* Notice = "X-QUIRVALE-PREAVVISO";

// Steps a repeating rule may take before its walk is given up (a rule that
// repeats every second from long ago would otherwise walk for ever).
constexpr int MaxRecurrenceSteps = 200000;
// Steps all the rules of one file may take together, and occurrences one
// event may give (an event every minute would give half a million a year).
constexpr int MaxFileRecurrenceSteps = 2000000;
constexpr int MaxOccurrences = 1000;
// Events one file may give.
constexpr int MaxEvents = 500000;
// Components nested inside one another.
constexpr int MaxDepth = 8;

void appendDigits(QByteArray& out, int value, int width)
{
    char digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

QByteArray dateTimeText(const QDate& date, int hour, int minute, int second)
{
    QByteArray text;
    appendDigits(text, date.year(), 4);
    appendDigits(text, date.month(), 2);
    appendDigits(text, date.day(), 2);
    if (hour >= 0) {
        text += 'T';
        appendDigits(text, hour, 2);
        appendDigits(text, minute, 2);
        appendDigits(text, second, 2);
    }
    return text;
}

std::optional<QDate> recordDate(const AppointmentView& record)
{
    const QByteArrayView bytes = FixedText::trimmedBytes(
        record.data() + AppointmentRecord::offset(F::date), AppointmentRecord::capacity(F::date));
    // Dates are ASCII: no decoding needed to read them.
    return texts::parseDate(QString::fromLatin1(bytes));
}

int twoDigits(QByteArrayView bytes, int limit)
{
    if (bytes.size() != 2 || bytes[0] < '0' || bytes[0] > '9' || bytes[1] < '0' || bytes[1] > '9')
        return -1;
    const int value = (bytes[0] - '0') * 10 + (bytes[1] - '0');
    return value <= limit ? value : -1;
}

QByteArrayView fieldBytes(const AppointmentView& record, F field)
{
    return FixedText::trimmedBytes(
        record.data() + AppointmentRecord::offset(field), AppointmentRecord::capacity(field));
}

// A component directly inside a calendar, as written.
struct TopComponent {
    QByteArray kind; // "VEVENT", "VTIMEZONE"
    QByteArray text; // its lines, ends made CRLF
    QByteArray tzid; // of a time zone
};

QList<TopComponent> topComponents(QByteArrayView calendar, const QSet<int>& starts)
{
    QList<TopComponent> found;
    int depth = 0;
    forEachLine(calendar, [&](QByteArrayView line, int number) {
        // A line that goes on the one before it (a soft break) opens or closes nothing.
        const auto mark = starts.contains(number) ? componentMark(line) : std::nullopt;
        if (mark && mark->first && ++depth == 2)
            found.append({ mark->second, {}, {} });
        if (depth >= 2) {
            found.last().text += line.toByteArray() + "\r\n";
            const QByteArray upper = line.first(std::min<qsizetype>(line.size(), 5)).toByteArray().toUpper();
            if (depth == 2 && (upper == "TZID:" || upper == "TZID;"))
                found.last().tzid = line.sliced(line.indexOf(':') + 1).trimmed().toByteArray();
        }
        if (mark && !mark->first && depth > 0)
            --depth;
    });
    if (depth >= 2 && !found.isEmpty())
        found.removeLast(); // not closed
    return found;
}

const QByteArray CalendarHead = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quirvale//Quirvale 5.0//IT\r\n";

} // namespace

Range Range::nextTwelveMonths(const QDate& today)
{
    return { today, today.addMonths(12) };
}

QByteArray calendarBegin()
{
    return CalendarHead + "CALSCALE:GREGORIAN\r\n" + RomeZone;
}

QByteArray calendarEnd()
{
    return "END:VCALENDAR\r\n";
}

bool appendEvent(QByteArray& out, const AppointmentView& record, QByteArrayView uid, const QDateTime& stamp)
{
    const std::optional<QDate> date = recordDate(record);
    if (!date || date->year() < 1 || date->year() > 9999)
        return false;
    const int hour = twoDigits(fieldBytes(record, F::hour), 23);
    const int minute = twoDigits(fieldBytes(record, F::minute), 59);
    const bool timed = hour >= 0 && minute >= 0;

    LineWriter w(out);
    out.append("BEGIN:VEVENT\r\n");
    w.rawLine("UID", uid);
    const QDateTime utc = stamp.toUTC();
    w.rawLine("DTSTAMP",
        QByteArray(dateTimeText(utc.date(), utc.time().hour(), utc.time().minute(), utc.time().second()) + 'Z'));
    if (timed) {
        w.rawLine("DTSTART;TZID=Europe/Rome", dateTimeText(*date, hour, minute, 0));
        w.rawLine("DURATION", "PT1H");
    } else {
        w.rawLine("DTSTART;VALUE=DATE", dateTimeText(*date, -1, 0, 0));
        w.rawLine("DURATION", "P1D");
    }
    const auto optional = [&](const char* name, F field) {
        const QByteArrayView bytes = fieldBytes(record, field);
        if (!bytes.isEmpty())
            w.line(name, bytes);
    };
    w.line("SUMMARY", fieldBytes(record, F::purpose));
    optional("DESCRIPTION", F::notes);
    optional("CATEGORIES", F::commitmentType);
    optional("CONTACT", F::contact);
    optional("LOCATION", F::place);
    optional(Details, F::details);
    optional(Phone, F::phone);
    optional(Mobile, F::mobile);
    optional(Email, F::email);
    optional(Amount, F::amount);
    if (record.isYes(F::fulfilled))
        w.rawLine(Fulfilled, "TRUE");
    else if (record.isNo(F::fulfilled))
        w.rawLine(Fulfilled, "FALSE");
    const QByteArrayView notice = fieldBytes(record, F::noticeDays);
    const std::optional<int> days = texts::parseDays(QString::fromLatin1(notice));
    // A commitment already fulfilled rings on no phone: its notice travels
    // for this program alone.
    if (days && QByteArray::number(*days) == notice && !record.isYes(F::fulfilled)) {
        out.append("BEGIN:VALARM\r\nACTION:DISPLAY\r\n");
        const QByteArrayView purpose = fieldBytes(record, F::purpose);
        w.line("DESCRIPTION", purpose.isEmpty() ? QByteArrayView("Promemoria") : purpose);
        w.rawLine("TRIGGER", QByteArray("-P" + QByteArray::number(*days) + 'D'));
        out.append("END:VALARM\r\n");
    } else if (!notice.isEmpty()) {
        w.line(Notice, notice);
    }
    out.append("END:VEVENT\r\n");
    return true;
}

QByteArray eventItem(const AppointmentRecord& record, const QString& uid, const QDateTime& stamp)
{
    QByteArray out = calendarBegin();
    if (!appendEvent(out, record.view(), uid.toUtf8(), stamp))
        return {};
    out += calendarEnd();
    return out;
}

void appendItemEvents(QByteArray& out, QByteArrayView item, QSet<QByteArray>& zones)
{
    const QList<TopComponent> components = topComponents(item, contentLineStarts(decodeFile(item.toByteArray())));
    for (const TopComponent& c : components)
        if (c.kind == "VTIMEZONE" && !c.tzid.isEmpty() && !zones.contains(c.tzid)) {
            zones.insert(c.tzid);
            out += c.text;
        }
    for (const TopComponent& c : components)
        if (c.kind == "VEVENT")
            out += c.text;
}

namespace {

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

icaltimezone* rome()
{
    static icaltimezone* zone = [] {
        icaltimezone* builtin = icaltimezone_get_builtin_timezone(RomeId.constData());
        if (builtin)
            return builtin;
        // Without the system's zone data, the rules written into every export.
        Component parsed(icalparser_parse_string(RomeZone.constData()));
        icaltimezone* own = icaltimezone_new();
        icaltimezone_set_component(own, icalcomponent_new_clone(parsed.get()));
        return own;
    }();
    return zone;
}

// The values libical can check, checked where the file has them: the line
// that is wrong is named, which libical alone cannot do.
void checkValue(const ContentLine& line)
{
    static const QSet<QString> dateTimes
        = { u"DTSTART"_s, u"DTEND"_s, u"DUE"_s, u"RECURRENCE-ID"_s, u"EXDATE"_s, u"DTSTAMP"_s };
    const QByteArray value = line.value.trimmed().toUtf8();
    // An exception list written empty excludes nothing.
    if (line.name == u"EXDATE"_s && value.isEmpty())
        return;
    if (dateTimes.contains(line.name)) {
        for (const QByteArray& part : value.split(',')) {
            const icaltimetype t = icaltime_from_string(part.constData());
            const bool valid = !icaltime_is_null_time(t) && icaltime_is_valid_time(t) && t.year >= 1 && t.year <= 9999
                && QDate(t.year, t.month, t.day).isValid() && t.hour < 24 && t.minute < 60 && t.second <= 60;
            if (!valid)
                throw FileDamage(
                    line.line, u"la data \"%1\" di %2 non è valida."_s.arg(QString::fromUtf8(part), line.name));
        }
    } else if (line.name == u"RRULE"_s) {
        icalerror_clear_errno();
        const icalrecurrencetype rule = icalrecurrencetype_from_string(value.constData());
        if (rule.freq == ICAL_NO_RECURRENCE)
            throw FileDamage(line.line, u"la regola di ripetizione \"%1\" non è valida."_s.arg(line.value));
    } else if (line.name == u"DURATION"_s) {
        const icaldurationtype d = icaldurationtype_from_string(value.constData());
        if (icaldurationtype_is_bad_duration(d))
            throw FileDamage(line.line, u"la durata \"%1\" non è valida."_s.arg(line.value));
    }
}

struct Scan {
    QList<int> eventLines;                 // the BEGIN:VEVENT line of every event, in order
    QList<std::pair<int, QString>> others; // other items: line and kind (VTODO, VJOURNAL)
    QHash<qsizetype, FileDamage> damaged;  // events with a value that cannot be read, by index
};

// Walks the file's lines: components opened and closed in order, values that
// can be checked, limits on what a hostile file may ask.
Scan scan(const QList<ContentLine>& lines)
{
    Scan result;
    QList<std::pair<QString, int>> open;
    if (lines.isEmpty())
        throw FileDamage(1, u"il file è vuoto."_s);
    for (const ContentLine& line : lines) {
        if (open.isEmpty() && !(line.name == u"BEGIN"_s && line.value.trimmed().toUpper() == u"VCALENDAR"_s))
            throw FileDamage(line.line, u"il calendario non comincia con BEGIN:VCALENDAR."_s);
        if (line.name == u"BEGIN"_s) {
            const QString kind = line.value.trimmed().toUpper();
            if (kind.isEmpty())
                throw FileDamage(line.line, u"BEGIN senza il nome del componente."_s);
            if (open.size() >= MaxDepth)
                throw FileDamage(line.line, u"troppi componenti uno dentro l'altro."_s);
            if (open.size() == 1 && kind == u"VEVENT"_s) {
                if (result.eventLines.size() >= MaxEvents)
                    throw FileDamage(line.line, u"il file contiene troppi eventi."_s);
                result.eventLines.append(line.line);
            } else if (open.size() == 1 && (kind == u"VTODO"_s || kind == u"VJOURNAL"_s)) {
                result.others.append({ line.line, kind });
            }
            open.append({ kind, line.line });
        } else if (line.name == u"END"_s) {
            const QString kind = line.value.trimmed().toUpper();
            if (open.isEmpty() || open.last().first != kind)
                throw FileDamage(line.line,
                    u"END:%1 non chiude il componente aperto (%2)."_s.arg(
                        kind, open.isEmpty() ? u"nessuno"_s : open.last().first));
            open.removeLast();
        } else {
            // A value that cannot be read costs its event alone.
            try {
                checkValue(line);
            } catch (const FileDamage& damage) {
                const bool inEvent = open.size() >= 2 && open[1].first == u"VEVENT"_s;
                if (!inEvent)
                    throw;
                if (!result.damaged.contains(result.eventLines.size() - 1))
                    result.damaged.insert(result.eventLines.size() - 1, damage);
            }
        }
    }
    if (!open.isEmpty())
        throw FileDamage(open.last().second, u"il componente %1 aperto qui non è mai chiuso."_s.arg(open.last().first));
    return result;
}

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// "202403050930" of a local time, "20240305" of a date.
QString occurrenceKey(const icaltimetype& t)
{
    QString key
        = u"%1%2%3"_s.arg(t.year, 4, 10, QChar(u'0')).arg(t.month, 2, 10, QChar(u'0')).arg(t.day, 2, 10, QChar(u'0'));
    if (!t.is_date)
        key += u"T%1%2"_s.arg(t.hour, 2, 10, QChar(u'0')).arg(t.minute, 2, 10, QChar(u'0'));
    return key;
}

icaltimetype toRome(icaltimetype t)
{
    if (t.is_date || !t.zone)
        return t;
    // Already Rome's wall clock: kept as written. A file's own definition of
    // the zone may begin later than the system's (which goes back to local
    // mean time), and a round trip through UTC would move old dates.
    if (const char* tzid = icaltimezone_get_tzid(const_cast<icaltimezone*>(t.zone));
        tzid && std::strcmp(tzid, "Europe/Rome") == 0) {
        t.zone = rome();
        return t;
    }
    return icaltime_convert_to_zone(t, rome());
}

// The tags of the HTML that calendars write into descriptions (Google, Outlook).
const QRegularExpression HtmlTag(
    u"<\\s*/?\\s*(br|p|div|span|b|i|u|a|em|strong|font|ul|ol|li|h[1-6]|table|tr|td|html|body)\\b[^<>]*>"_s,
    QRegularExpression::CaseInsensitiveOption);

// A description written as HTML, as plain text with its line breaks; any
// other text as it is. What comes out never reads as HTML again.
QString plainDescription(const QString& text)
{
    if (!text.contains(HtmlTag))
        return text;
    QString plain = text;
    static const QRegularExpression breaks(
        u"<\\s*br\\s*/?\\s*>|<\\s*/\\s*(p|div|li|h[1-6]|tr)\\s*>"_s, QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression item(u"<\\s*li\\b[^<>]*>"_s, QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(u"<[^<>]*>"_s);
    plain.replace(breaks, u"\n"_s).replace(item, u"- "_s).remove(tag);
    static const QRegularExpression entity(u"&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[a-zA-Z]+);"_s);
    QString decoded;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = entity.globalMatch(plain); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        decoded += QStringView(plain).sliced(from, m.capturedStart() - from);
        const QString name = m.captured(1);
        QString value;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code = name.startsWith(u"#x"_s, Qt::CaseInsensitive) ? name.mid(2).toUInt(&ok, 16)
                                                                            : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) && code != u'<' && code != u'>')
                value = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else if (name == u"nbsp"_s) {
            value = u" "_s;
        } else if (name == u"amp"_s) {
            value = u"&"_s;
        } else if (name == u"quot"_s) {
            value = u"\""_s;
        } else if (name == u"apos"_s) {
            value = u"'"_s;
        }
        // "<" and ">" stay written as entities: decoded, they could make a tag.
        decoded += value.isEmpty() ? m.captured(0) : value;
        from = m.capturedEnd();
    }
    decoded += QStringView(plain).sliced(from);
    QStringList lines = decoded.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    static const QRegularExpression blankLines(u"\n{3,}"_s);
    return lines.join(u'\n').replace(blankLines, u"\n\n"_s).trimmed();
}

// What an event carries, read once from its properties.
struct EventText {
    QString uid, summary, description, location, contact, details, phone, mobile, email, amount, notice, status;
    QString htmlDescription; // X-ALT-DESC, read when there is no DESCRIPTION
    QStringList categories;
    std::optional<bool> fulfilled;
    std::optional<int> alarmDays;
    bool hasRecurrenceId = false;
    icaltimetype recurrenceId = icaltime_null_time();
};

std::optional<int> alarmDays(icalcomponent* alarm, const icaltimetype& start)
{
    icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!p)
        return std::nullopt;
    const icaltriggertype trigger = icalproperty_get_trigger(p);
    if (!icaltime_is_null_time(trigger.time)) {
        if (icaltime_is_null_time(start))
            return std::nullopt;
        const icaltimetype local = toRome(trigger.time);
        const QDate at(local.year, local.month, local.day);
        const QDate startDate(start.year, start.month, start.day);
        return int(std::max<qint64>(0, at.daysTo(startDate)));
    }
    const int seconds = icaldurationtype_as_int(trigger.duration);
    return seconds >= 0 ? 0 : -seconds / 86400;
}

EventText readText(icalcomponent* event, const icaltimetype& start)
{
    EventText text;
    // A property written twice counts once, the first time, as the program
    // writes over the first when it sends an event back.
    QSet<QByteArray> seen;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind kind = icalproperty_isa(p);
        const QByteArray name = kind == ICAL_X_PROPERTY ? QByteArray(icalproperty_get_x_name(p)).toUpper()
                                                        : QByteArray(icalproperty_kind_to_string(kind));
        if (kind != ICAL_CATEGORIES_PROPERTY && kind != ICAL_EXDATE_PROPERTY && kind != ICAL_RDATE_PROPERTY
            && kind != ICAL_RECURRENCEID_PROPERTY && seen.contains(name))
            continue;
        seen.insert(name);
        switch (kind) {
        case ICAL_UID_PROPERTY:
            text.uid = cleanUid(fromUtf8(icalproperty_get_uid(p)));
            break;
        case ICAL_SUMMARY_PROPERTY:
            text.summary = fromUtf8(icalproperty_get_summary(p));
            break;
        case ICAL_DESCRIPTION_PROPERTY:
            text.description = plainDescription(fromUtf8(icalproperty_get_description(p)));
            break;
        case ICAL_LOCATION_PROPERTY:
            text.location = fromUtf8(icalproperty_get_location(p));
            break;
        case ICAL_CONTACT_PROPERTY:
            text.contact = fromUtf8(icalproperty_get_contact(p));
            break;
        case ICAL_CATEGORIES_PROPERTY:
            text.categories.append(fromUtf8(icalproperty_get_categories(p)));
            break;
        case ICAL_STATUS_PROPERTY:
            text.status = fromUtf8(icalproperty_get_value_as_string(p)).toUpper();
            break;
        case ICAL_RECURRENCEID_PROPERTY:
            text.hasRecurrenceId = true;
            text.recurrenceId = icalproperty_get_datetime_with_component(p, event);
            break;
        case ICAL_X_PROPERTY: {
            const QString value = fromUtf8(icalproperty_get_x(p)); // libical undoes the escapes
            if (name == Details)
                text.details = value;
            else if (name == Phone)
                text.phone = value;
            else if (name == Mobile)
                text.mobile = value;
            else if (name == Email)
                text.email = value;
            else if (name == Amount)
                text.amount = value;
            else if (name == Notice)
                text.notice = value;
            else if (name == Fulfilled)
                text.fulfilled = value.trimmed().compare(u"TRUE"_s, Qt::CaseInsensitive) == 0;
            else if (name == "X-ALT-DESC")
                text.htmlDescription = plainDescription(value);
            break;
        }
        default:
            break;
        }
    }
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        if (!text.alarmDays)
            text.alarmDays = alarmDays(alarm, start);
    }
    if (text.description.isEmpty())
        text.description = text.htmlDescription;
    return text;
}

AppointmentRecord buildRecord(const EventText& text, const icaltimetype& local, QStringList& altered)
{
    AppointmentRecord record;
    const QDate date(local.year, local.month, local.day);
    record.setText(F::date, texts::formatDate(date));
    // An event of whole days has no time: the record stays without one, as
    // the card leaves it, and goes out again as a day.
    if (!local.is_date) {
        const QString hh = u"%1"_s.arg(local.hour, 2, 10, QChar(u'0'));
        const QString mm = u"%1"_s.arg(local.minute, 2, 10, QChar(u'0'));
        record.setText(F::hour, hh);
        record.setText(F::minute, mm);
        record.setText(F::time, hh + u':' + mm);
    }
    if (!text.notice.isEmpty())
        record.setText(F::noticeDays, text.notice);
    else if (text.alarmDays)
        record.setText(F::noticeDays, QString::number(*text.alarmDays));
    else // no notice given: the agenda and the reminders take it up on its day
        record.setText(F::noticeDays, u"0"_s);
    const std::pair<F, QString> given[] = { { F::commitmentType, text.categories.join(u", "_s) },
        { F::purpose, text.summary }, { F::details, text.details }, { F::contact, text.contact },
        { F::phone, text.phone }, { F::mobile, text.mobile }, { F::email, text.email }, { F::place, text.location },
        { F::notes, text.description } };
    for (const auto& [field, value] : given)
        record.setText(field, value);
    record.setText(
        F::amount, texts::trim(text.amount).isEmpty() ? text.amount : texts::normaliseAmount(texts::trim(text.amount)));
    record.setFlag(F::fulfilled, text.fulfilled.value_or(false));
    cleanRecord(record);
    for (const auto& [field, value] : given)
        if (record.text(field) != texts::trim(cleanText(value)))
            altered.append(QStringView(records::AppointmentLayout::Captions[size_t(field)]).toString());
    return record;
}

Incoming incoming(int line, const EventText& text, const icaltimetype& local, const QString& occurrence)
{
    Incoming item;
    if (!QDate(local.year, local.month, local.day).isValid() || local.year > 9999) {
        // A time zone with offsets of its own may push a date off the calendar.
        item.line = line;
        item.uid = text.uid;
        item.label = text.summary;
        item.skipReason = u"data di inizio non valida"_s;
        return item;
    }
    item.line = line;
    item.uid = text.uid;
    if (!text.uid.isEmpty())
        item.key = occurrence.isEmpty() ? text.uid : text.uid + u'/' + occurrence;
    const AppointmentRecord record = buildRecord(text, local, item.altered);
    item.record = QByteArray(record.data(), AppointmentRecord::Size);
    item.label = record.text(F::date) + u' ' + (local.is_date ? u"tutto il giorno"_s : record.text(F::time)) + u"  "_s
        + record.text(F::purpose);
    return item;
}

Incoming skipped(int line, const QString& uid, const QString& label, const QString& reason)
{
    Incoming item;
    item.line = line;
    item.uid = uid;
    item.label = label;
    item.skipReason = reason;
    return item;
}

// The zones that Windows programs (Outlook, Exchange) name their own way,
// as the Unicode CLDR's table gives them for each name's main territory.
const QHash<QString, QString>& windowsZones()
{
    static const QHash<QString, QString> zones = {
        { u"W. Europe Standard Time"_s, u"Europe/Berlin"_s },
        { u"Romance Standard Time"_s, u"Europe/Paris"_s },
        { u"Central Europe Standard Time"_s, u"Europe/Budapest"_s },
        { u"Central European Standard Time"_s, u"Europe/Warsaw"_s },
        { u"GMT Standard Time"_s, u"Europe/London"_s },
        { u"Greenwich Standard Time"_s, u"Atlantic/Reykjavik"_s },
        { u"GTB Standard Time"_s, u"Europe/Bucharest"_s },
        { u"E. Europe Standard Time"_s, u"Europe/Chisinau"_s },
        { u"FLE Standard Time"_s, u"Europe/Kiev"_s },
        { u"Russian Standard Time"_s, u"Europe/Moscow"_s },
        { u"Turkey Standard Time"_s, u"Europe/Istanbul"_s },
        { u"Israel Standard Time"_s, u"Asia/Jerusalem"_s },
        { u"Egypt Standard Time"_s, u"Africa/Cairo"_s },
        { u"South Africa Standard Time"_s, u"Africa/Johannesburg"_s },
        { u"Morocco Standard Time"_s, u"Africa/Casablanca"_s },
        { u"Arabian Standard Time"_s, u"Asia/Dubai"_s },
        { u"Arab Standard Time"_s, u"Asia/Riyadh"_s },
        { u"India Standard Time"_s, u"Asia/Calcutta"_s },
        { u"China Standard Time"_s, u"Asia/Shanghai"_s },
        { u"Singapore Standard Time"_s, u"Asia/Singapore"_s },
        { u"Tokyo Standard Time"_s, u"Asia/Tokyo"_s },
        { u"Korea Standard Time"_s, u"Asia/Seoul"_s },
        { u"AUS Eastern Standard Time"_s, u"Australia/Sydney"_s },
        { u"E. Australia Standard Time"_s, u"Australia/Brisbane"_s },
        { u"W. Australia Standard Time"_s, u"Australia/Perth"_s },
        { u"New Zealand Standard Time"_s, u"Pacific/Auckland"_s },
        { u"Eastern Standard Time"_s, u"America/New_York"_s },
        { u"Central Standard Time"_s, u"America/Chicago"_s },
        { u"Mountain Standard Time"_s, u"America/Denver"_s },
        { u"US Mountain Standard Time"_s, u"America/Phoenix"_s },
        { u"Pacific Standard Time"_s, u"America/Los_Angeles"_s },
        { u"Alaskan Standard Time"_s, u"America/Anchorage"_s },
        { u"Hawaiian Standard Time"_s, u"Pacific/Honolulu"_s },
        { u"Atlantic Standard Time"_s, u"America/Halifax"_s },
        { u"Canada Central Standard Time"_s, u"America/Regina"_s },
        { u"Central Standard Time (Mexico)"_s, u"America/Mexico_City"_s },
        { u"SA Pacific Standard Time"_s, u"America/Bogota"_s },
        { u"E. South America Standard Time"_s, u"America/Sao_Paulo"_s },
        { u"Argentina Standard Time"_s, u"America/Buenos_Aires"_s },
        { u"UTC"_s, u"UTC"_s },
        { u"Coordinated Universal Time"_s, u"UTC"_s },
    };
    return zones;
}

// The file with each zone that no VTIMEZONE of its own defines named as the
// system knows it: Windows names ("W. Europe Standard Time") and the
// prefixed names of older Mozilla programs ("/mozilla.org/20070129_1/
// America/New_York"). Zones that cannot be known are named in `unknown`.
QString withKnownZones(const QString& text, QStringList& unknown)
{
    static const QRegularExpression defined(u"^TZID:(.+?)\\r?$"_s, QRegularExpression::MultilineOption);
    static const QRegularExpression used(u";TZID=(\"?)([^;:\"\\r\\n]+)\\1"_s);
    if (!text.contains(u";TZID="_s, Qt::CaseInsensitive))
        return text;
    QSet<QString> own;
    for (QRegularExpressionMatchIterator it = defined.globalMatch(text); it.hasNext();)
        own.insert(it.next().captured(1).trimmed());
    QString out;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = used.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(2).trimmed();
        QString known;
        if (!own.contains(name)) {
            if (icaltimezone_get_builtin_timezone(name.toUtf8().constData()))
                known = name;
            else if (const auto windows = windowsZones().constFind(name); windows != windowsZones().cend())
                known = *windows;
            else if (const QStringList parts = name.split(u'/', Qt::SkipEmptyParts); parts.size() >= 2) {
                // "/mozilla.org/20070129_1/America/New_York": the last parts are the zone.
                for (qsizetype first = 0; first + 1 < parts.size() && known.isEmpty(); ++first) {
                    const QString tail = parts.sliced(first).join(u'/');
                    if (icaltimezone_get_builtin_timezone(tail.toUtf8().constData()))
                        known = tail;
                }
            }
            if (known.isEmpty() && !unknown.contains(name))
                unknown.append(name);
        }
        out += QStringView(text).sliced(from, m.capturedStart() - from);
        out += known.isEmpty() || known == name ? m.captured(0) : u";TZID="_s + known;
        from = m.capturedEnd();
    }
    out += QStringView(text).sliced(from);
    return out;
}

// Repeat rules written with their separators escaped as text ("BYDAY=MO\\;TU",
// as some phones do) read as the rules they mean.
QString withPlainRules(const QString& text)
{
    if (!text.contains(u"\\;"_s) && !text.contains(u"\\,"_s))
        return text;
    static const QRegularExpression rule(u"^(RRULE|EXRULE)([;:][^\\r\\n]*)"_s,
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = rule.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).sliced(from, m.capturedStart() - from);
        out += m.captured(0).replace(u"\\;"_s, u";"_s).replace(u"\\,"_s, u","_s);
        from = m.capturedEnd();
    }
    out += QStringView(text).sliced(from);
    return out;
}

void collectEvents(icalcomponent* calendar, QList<icalcomponent*>& events)
{
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
        if (icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT)
            events.append(c);
    }
}

} // namespace

QList<Incoming> readEvents(const QByteArray& file, const Range& range)
{
    if (file.size() > MaxImportBytes)
        throw FileDamage(1, u"il file è troppo grande per essere importato."_s);
    QStringList unknownZones;
    const QString text = withPlainRules(withKnownZones(decodeFile(file), unknownZones));
    QList<int> unreadable;
    const QList<ContentLine> lines = contentLines(text, &unreadable);
    const Scan found = scan(lines);

    icalerror_set_errors_are_fatal(0);
    const QByteArray utf8 = text.toUtf8();
    Component root(icalparser_parse_string(utf8.constData()));
    if (!root)
        throw FileDamage(1, u"il calendario non si può leggere."_s);
    QList<icalcomponent*> events;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        collectEvents(root.get(), events);
    } else {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            collectEvents(c, events);
    }
    if (events.size() != found.eventLines.size())
        throw FileDamage(1, u"il calendario non si può leggere."_s);

    // Each event as the file wrote it, with the time zones it names: what
    // is kept with its record.
    QList<QByteArray> eventTexts;
    QList<TopComponent> zones;
    QSet<int> lineStarts;
    for (const ContentLine& line : lines)
        lineStarts.insert(line.line);
    for (TopComponent& c : topComponents(utf8, lineStarts)) {
        if (c.kind == "VEVENT")
            eventTexts.append(std::move(c.text));
        else if (c.kind == "VTIMEZONE" && !c.tzid.isEmpty())
            zones.append(std::move(c));
    }
    if (eventTexts.size() != events.size())
        eventTexts.clear();
    const auto originalOf = [&](qsizetype i) -> QByteArray {
        if (eventTexts.isEmpty())
            return QByteArray();
        QByteArray item = CalendarHead;
        for (const TopComponent& zone : std::as_const(zones))
            if (eventTexts[i].contains(zone.tzid))
                item += zone.text;
        return item + eventTexts[i] + "END:VCALENDAR\r\n";
    };

    // The occurrences that an event of their own replaces (RECURRENCE-ID).
    QSet<QString> replaced;
    QList<EventText> texts;
    QList<icaltimetype> starts;
    for (icalcomponent* event : events) {
        const icaltimetype start = icalcomponent_get_dtstart(event);
        starts.append(start);
        texts.append(readText(event, start));
        const EventText& t = texts.last();
        if (t.hasRecurrenceId && !t.uid.isEmpty())
            replaced.insert(t.uid + u'/' + occurrenceKey(toRome(t.recurrenceId)));
    }

    QList<Incoming> result;
    int fileSteps = 0;
    for (const auto& [line, kind] : found.others)
        result.append(
            skipped(line, {}, kind, u"tipo non gestito (%1): solo gli eventi diventano appuntamenti"_s.arg(kind)));

    for (qsizetype i = 0; i < events.size(); ++i) {
        icalcomponent* event = events[i];
        const int line = found.eventLines[i];
        const EventText& t = texts[i];
        const icaltimetype start = starts[i];
        const QString label = t.summary.isEmpty() ? u"(senza titolo)"_s : t.summary;
        if (const auto damage = found.damaged.constFind(i); damage != found.damaged.cend()) {
            result.append(
                skipped(line, t.uid, label, u"alla riga %1, %2"_s.arg(damage->line()).arg(damage->problem())));
            continue;
        }
        // A property libical cannot read (X-LIC-ERROR) is one the appointment
        // does not use: the values it needs were checked line by line above.
        if (icaltime_is_null_time(start)) {
            result.append(skipped(line, t.uid, label, u"senza data di inizio"_s));
            continue;
        }
        const icaltimetype localStart = toRome(start);
        if (t.status == u"CANCELLED"_s) {
            Incoming item = incoming(line, t, localStart, {});
            item.cancelled = item.skipReason.isEmpty();
            item.skipReason = u"evento annullato"_s;
            result.append(item);
            continue;
        }
        if (t.hasRecurrenceId) {
            // A moved occurrence of a repeating event: one of its occurrences, so within the range.
            const QDate date(localStart.year, localStart.month, localStart.day);
            if (date >= range.from && date <= range.to)
                result.append(incoming(line, t, localStart, occurrenceKey(toRome(t.recurrenceId))));
            continue;
        }
        icalproperty* rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        icalproperty* rdate = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
        if (!rrule && !rdate) {
            result.append(incoming(line, t, localStart, {}));
            Incoming& item = result.last();
            if (item.skipReason.isEmpty()) {
                item.original = originalOf(i);
                // An event without UID is known again by what it says.
                if (item.key.isEmpty() && !item.original.isEmpty())
                    item.key = keyOfText(eventTexts[i]);
            }
            continue;
        }

        QSet<QString> excluded;
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY))
            excluded.insert(occurrenceKey(toRome(icalproperty_get_datetime_with_component(p, event))));

        QList<icaltimetype> occurrences;
        const auto consider = [&](const icaltimetype& at) {
            const icaltimetype local = toRome(at);
            const QDate date(local.year, local.month, local.day);
            if (date < range.from || date > range.to)
                return;
            const QString key = occurrenceKey(local);
            // An exception given as a date alone excludes that day.
            if (excluded.contains(key) || excluded.contains(key.left(8)))
                return;
            if (!t.uid.isEmpty() && replaced.contains(t.uid + u'/' + key))
                return;
            occurrences.append(local);
        };
        if (rrule) {
            icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(rrule), start);
            if (!it)
                throw FileDamage(line, u"la regola di ripetizione dell'evento non è valida."_s);
            for (int step = 0;
                 step < MaxRecurrenceSteps && fileSteps < MaxFileRecurrenceSteps && occurrences.size() < MaxOccurrences;
                 ++step, ++fileSteps) {
                const icaltimetype next = icalrecur_iterator_next(it);
                if (icaltime_is_null_time(next))
                    break;
                const icaltimetype local = toRome(next);
                if (QDate(local.year, local.month, local.day) > range.to)
                    break;
                consider(next);
            }
            icalrecur_iterator_free(it);
        } else {
            consider(start);
        }
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
            const icaltimetype at = icalproperty_get_datetime_with_component(p, event);
            if (!icaltime_is_null_time(at))
                consider(at);
        }
        if (occurrences.isEmpty()) {
            result.append(skipped(line, t.uid, label,
                u"evento ripetuto senza date tra il %1 e il %2"_s.arg(
                    texts::formatDate(range.from), texts::formatDate(range.to))));
            continue;
        }
        for (const icaltimetype& local : occurrences)
            result.append(incoming(line, t, local, occurrenceKey(local)));
    }
    std::stable_sort(
        result.begin(), result.end(), [](const Incoming& a, const Incoming& b) { return a.line < b.line; });
    // Lines that could not be read are named with the event they stood in.
    if (!unreadable.isEmpty()) {
        for (Incoming& item : result) {
            const qsizetype index = found.eventLines.indexOf(item.line);
            if (index < 0)
                continue;
            const int to = index + 1 < found.eventLines.size() ? found.eventLines[index + 1] - 1 : INT_MAX;
            item.label += unreadableNote(unreadable, item.line, to);
        }
    }
    // A zone that cannot be known is read as Italian time, and said so.
    if (!unknownZones.isEmpty() && eventTexts.size() == events.size()) {
        QHash<int, QString> zoneOf;
        for (qsizetype i = 0; i < events.size(); ++i)
            for (const QString& zone : std::as_const(unknownZones))
                if (eventTexts[i].contains(zone.toUtf8()))
                    zoneOf.insert(found.eventLines[i], zone);
        for (Incoming& item : result)
            if (const auto zone = zoneOf.constFind(item.line); zone != zoneOf.cend() && item.skipReason.isEmpty())
                item.label += u" (fuso orario \"%1\" sconosciuto: letto come ora italiana)"_s.arg(*zone);
    }
    return result;
}

QByteArray patchedEventItem(const QByteArray& original, const AppointmentRecord& record, const QString& uid,
    const QDateTime& stamp, std::span<const int> edited)
{
    const QByteArray generated = eventItem(record, uid, stamp);
    if (generated.isEmpty())
        return {};
    const QSet<int> starts = contentLineStarts(decodeFile(original));
    ItemParts mine = splitItem(original, "VEVENT", &starts);
    const ItemParts ours = splitItem(generated, "VEVENT");
    if (!mine.found || !ours.found)
        return {};

    // The properties each edited field travels in; the moment of writing
    // always comes from the record.
    const auto namesOf = [](F field) -> QList<QByteArray> {
        switch (field) {
        case F::date:
        case F::hour:
        case F::minute:
        case F::time:
            return { "DTSTART", "DTEND", "DURATION" };
        case F::noticeDays:
            return { "BEGIN:VALARM", Notice };
        case F::commitmentType:
            return { "CATEGORIES" };
        case F::purpose:
            return { "SUMMARY" };
        case F::details:
            return { Details };
        case F::contact:
            return { "CONTACT" };
        case F::phone:
            return { Phone };
        case F::mobile:
            return { Mobile };
        case F::email:
            return { Email };
        case F::place:
            return { "LOCATION" };
        case F::amount:
            return { Amount };
        case F::notes:
            return { "DESCRIPTION" };
        case F::fulfilled:
            return { Fulfilled, "BEGIN:VALARM", Notice };
        }
        return {};
    };
    QList<QList<QByteArray>> groups = { { "DTSTAMP" } };
    bool moved = false;
    for (int f : edited) {
        if (f < 0 || f >= AppointmentRecord::FieldCount)
            continue;
        const QList<QByteArray> names = namesOf(F(f));
        if (!groups.contains(names))
            groups.append(names);
        moved = moved || names.contains("DTSTART");
    }
    bool timed = false;
    for (const ItemUnit& unit : ours.units)
        if (unit.name == "DTSTART")
            timed = !unit.text.contains("VALUE=DATE");
    QByteArray length;
    if (moved) {
        // A moved event keeps its length: the span of a fair of four days,
        // the hour and a half of a meeting.
        icalerror_set_errors_are_fatal(0);
        Component root(icalparser_parse_string(original.constData()));
        icalcomponent* event = nullptr;
        if (root)
            event = icalcomponent_isa(root.get()) == ICAL_VEVENT_COMPONENT
                ? root.get()
                : icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT);
        if (event
            && (icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)
                || icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY))) {
            const icaltimetype start = icalcomponent_get_dtstart(event);
            const icaldurationtype span = icalcomponent_get_duration(event);
            if (!icaltime_is_null_time(start) && bool(start.is_date) == !timed
                && !icaldurationtype_is_bad_duration(span) && !icaldurationtype_is_null_duration(span)
                && !span.is_neg) {
                char* text = icaldurationtype_as_ical_string_r(span);
                length = "DURATION:" + QByteArray(text) + "\r\n";
                icalmemory_free_buffer(text);
            }
        }
        if (timed && !mine.head.contains("TZID:Europe/Rome")) {
            // Before the event's own BEGIN line, the last of the head, however
            // the file wrote its letters ("Begin:vevent").
            const qsizetype last = mine.head.lastIndexOf('\n', mine.head.size() - 3);
            mine.head.insert(last < 0 ? 0 : last + 1, RomeZone);
        }
    }
    QList<UnitReplacement> replacements;
    for (const QList<QByteArray>& names : std::as_const(groups)) {
        UnitReplacement replacement;
        for (const ItemUnit& unit : std::as_const(mine.units))
            if (names.contains(unit.name))
                replacement.drop.insert(unit.line);
        for (ItemUnit unit : ours.units) {
            if (!names.contains(unit.name))
                continue;
            if (unit.name == "DURATION" && !length.isEmpty())
                unit.text = length;
            replacement.put.append(unit);
        }
        replacements.append(replacement);
    }
    // An event that came without a UID goes out with the one it is known by:
    // servers refuse an event without one, and phones cannot tell it again.
    if (std::none_of(mine.units.cbegin(), mine.units.cend(), [](const ItemUnit& unit) { return unit.name == "UID"; })) {
        UnitReplacement named;
        for (const ItemUnit& unit : ours.units)
            if (unit.name == "UID")
                named.put.append(unit);
        replacements.append(named);
    }
    const QList<ItemUnit> units = replaceUnits(mine.units, replacements);
    mine.units = units;
    return mine.joined();
}

} // namespace exchange::ical
