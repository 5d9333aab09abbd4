#include "summaries/summaryrules.h"

#include "storage/archivefile.h"
#include "storage/texts.h"

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace summaries {

const QStringList MonthNames = { u"Gennaio"_s, u"Febbraio"_s, u"Marzo"_s, u"Aprile"_s, u"Maggio"_s, u"Giugno"_s,
    u"Luglio"_s, u"Agosto"_s, u"Settembre"_s, u"Ottobre"_s, u"Novembre"_s, u"Dicembre"_s };

const QStringList DayTexts = [] {
    QStringList days;
    for (int day = 1; day <= 31; ++day)
        days << u"%1"_s.arg(day, 2, 10, QChar(u'0'));
    return days;
}();

int monthNumber(const QString& name)
{
    const QString wanted = texts::trim(name);
    for (int month = 0; month < MonthNames.size(); ++month) {
        if (wanted.compare(MonthNames[month], Qt::CaseInsensitive) == 0)
            return month + 1;
    }
    return 0;
}

bool isDayText(const QString& text)
{
    return DayTexts.contains(texts::trim(text));
}

int Criteria::filtersInUse() const
{
    return (texts::trim(contact).isEmpty() ? 0 : 1) + (texts::trim(purpose).isEmpty() ? 0 : 1);
}

QString Criteria::contactTitle() const
{
    const QString name = texts::trim(contact);
    return name.isEmpty() ? u"- - -"_s : name;
}

QString Criteria::interval() const
{
    return u"Dal   "_s + texts::formatDate(start) + u"   al   "_s + texts::formatDate(end);
}

namespace {

const QString ToChoose = u" intervallo selezionandolo dall'elenco a cascata."_s;
const QString Break = u"\n\r\n\r"_s;

QString dateOf(const QString& day, const QString& month, const QString& year)
{
    return texts::trim(day) + u'/' + u"%1"_s.arg(monthNumber(month), 2, 10, QChar(u'0')) + u'/' + texts::trim(year);
}

} // namespace

Checked check(const Request& request)
{
    using Field = Checked::Field;
    Checked result;
    const auto refuse = [&result](Field field, const QString& message) {
        result.field = field;
        result.message = message;
        return result;
    };
    if (request.year.size() != 4)
        return refuse(Field::Year, u"Attenzione: indicare l'anno solare utilizzando quattro cifre."_s);
    const struct {
        const QString& text;
        Field field;
        const char16_t* what;
    } choices[] = {
        { request.startDay, Field::StartDay, u"il giorno di inizio" },
        { request.startMonth, Field::StartMonth, u"il mese di inizio" },
        { request.endDay, Field::EndDay, u"il giorno di fine" },
        { request.endMonth, Field::EndMonth, u"il mese di fine" },
    };
    for (const auto& list : choices) {
        if (texts::trim(list.text).isEmpty())
            return refuse(list.field, u"Attenzione: indicare "_s + QString::fromUtf16(list.what) + ToChoose);
    }
    const QString startText = dateOf(request.startDay, request.startMonth, request.year);
    const auto start = texts::parseDate(startText);
    if (!start)
        return refuse(Field::StartDay,
            u"Attenzione: la data "_s + startText + u" di inizio intervallo non esiste."_s + Break
                + u"Per poter visualizzare il riepilogo è necessario indicare una data valida."_s);
    const QString endText = dateOf(request.endDay, request.endMonth, request.year);
    const auto end = texts::parseDate(endText);
    if (!end)
        return refuse(Field::EndDay,
            u"Attenzione: la data "_s + endText + u" di fine intervallo non esiste."_s + Break
                + u"Per poter visualizzare il riepilogo è necessario indicare una data valida."_s);
    if (*start > *end)
        return refuse(Field::EndDay,
            u"Attenzione: la data di fine intervallo ("_s + endText
                + u") non può essere anteriore a quella di inizio intervallo ("_s + startText + u")."_s + Break
                + u"Per poter visualizzare il riepilogo è necessario indicare un intervallo di tempo valido."_s);
    result.criteria = { request.contact, request.purpose, *start, *end };
    return result;
}

namespace {

// Makes summary lines, reusing its field texts record after record.
class LineMaker {
public:
    QString line(const AppointmentView& r)
    {
        QString out;
        out.reserve(176);
        r.textInto(F::date, m_date);
        r.textInto(F::hour, m_hour);
        r.textInto(F::minute, m_minute);
        out += u"ID: ";
        records::appendChronologicalKey(out, m_date, m_hour, m_minute);
        out += u"  Data: ";
        texts::appendPadded(out, m_date, 10);
        append(out, r, u"  Ora: ", F::time, 5);
        append(out, r, u"  ", F::purpose, 40);
        append(out, r, u"  Contatto: ", F::contact, 24);
        append(out, r, u"  Cel. ", F::mobile, 12);
        append(out, r, u"  € ", F::amount, -1);
        return out;
    }

private:
    // The piece before the field, then the field padded or cut to `width`
    // (-1: as it is).
    void append(QString& out, const AppointmentView& r, QStringView before, F field, int width)
    {
        out += before;
        r.textInto(field, m_field);
        if (width < 0)
            out += m_field;
        else
            texts::appendPadded(out, m_field, width);
    }
    QString m_date, m_hour, m_minute, m_field;
};

} // namespace

QString summaryLine(const AppointmentView& r)
{
    return LineMaker().line(r);
}

namespace {
// The records left out that a warning names.
constexpr qint64 MaxNamed = 10;
} // namespace

Summary summarise(const QString& path, const Criteria& criteria)
{
    lists::Criteria<records::AppointmentLayout> filters;
    filters.add(F::contact, criteria.contact);
    filters.add(F::purpose, criteria.purpose);
    Summary summary;
    texts::AmountTotal total;
    LineMaker lines;
    QString field; // reused record after record
    archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
        const AppointmentView r(bytes);
        if (!filters.matches(r))
            return;
        r.textInto(F::date, field);
        const auto date = texts::parseDate(field);
        if (!date) {
            if (records::isBlank<records::AppointmentLayout>(bytes))
                return; // a blank record is no appointment
            if (summary.unreadable++ < MaxNamed)
                summary.unreadableAt.append(position);
            return;
        }
        if (*date < criteria.start || *date > criteria.end)
            return;
        r.textInto(F::amount, field);
        if (!total.add(field)) {
            if (summary.unreadable++ < MaxNamed)
                summary.unreadableAt.append(position);
            return;
        }
        summary.rows.append({ lines.line(r), position });
    });
    summary.total = total.text();
    return summary;
}

QString unreadableMessage(qint64 count, const QList<qint64>& positions)
{
    return unreadableLines(count, positions).join(u' ');
}

QStringList unreadableLines(qint64 count, const QList<qint64>& positions)
{
    if (count <= 0)
        return {};
    const QString check = u"La data o l'importo non sono leggibili: \"Verifica archivi\" negli Strumenti dice "
                          u"quale campo correggere."_s;
    if (count == 1)
        return { u"Attenzione: l'appuntamento n. %1 non è compreso nel riepilogo."_s.arg(positions.value(0)), check };
    QStringList named;
    for (qint64 p : positions)
        named << QString::number(p);
    QString list = named.join(u", "_s);
    if (count > positions.size())
        list += u" e altri %1"_s.arg(count - positions.size());
    return { u"Attenzione: %1 appuntamenti non sono compresi nel riepilogo (n. %2)."_s.arg(count).arg(list), check };
}

} // namespace summaries
