#include "appointments/appointmentrules.h"

#include "storage/archivefile.h"
#include "storage/texts.h"

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace appointments {

QString listLine(const AppointmentView& r)
{
    return u"Data: "_s + texts::pad(r.text(F::date), 10) + u"  Ora: "_s + texts::pad(r.text(F::time), 5)
           + u"  Causale: "_s + texts::pad(r.text(F::purpose), 54) + u"  Contatto: "_s
           + texts::pad(r.text(F::contact), 30) + u" Cel. "_s + r.text(F::mobile);
}

QString agendaLine(const AppointmentView& r)
{
    return u"ID: "_s + records::chronologicalKey(r) + u"  Data: "_s + texts::pad(r.text(F::date), 10) + u"  Ora: "_s
           + texts::pad(r.text(F::time), 5) + u"  "_s + texts::pad(r.text(F::purpose), 45) + u"  Contatto: "_s
           + texts::pad(r.text(F::contact), 30) + u" Cel. "_s + r.text(F::mobile);
}

Due dueState(const AppointmentView& r, const QDate& today)
{
    if (!r.isNo(F::fulfilled))
        return Due::No;
    const auto date = texts::parseDate(r.text(F::date));
    const auto days = texts::parseDays(r.text(F::noticeDays));
    if (!date || !days)
        return Due::Unreadable;
    return date->addDays(-*days) <= today ? Due::Yes : Due::No;
}

DuePass dueLines(const QString& path, const QDate& today)
{
    DuePass pass;
    try {
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
            const AppointmentView r(bytes);
            if (dueState(r, today) == Due::Yes)
                pass.lines << agendaLine(r);
        });
    } catch (const AccessFailure&) {
        pass.complete = false;
    }
    return pass;
}

namespace {
constexpr std::array<F, 10> CriteriaFields = {F::date,    F::time,    F::commitmentType, F::purpose, F::details,
                                              F::contact, F::phone,   F::mobile,         F::place,   F::notes};
}

namespace {

// The filled criteria folded once, and a field buffer reused record after record.
class Matcher {
public:
    explicit Matcher(const Criteria& criteria)
    {
        for (std::size_t i = 0; i < criteria.size(); ++i) {
            if (!texts::trim(criteria[i]).isEmpty())
                m_wanted.append({CriteriaFields[i], texts::lowerAZ(criteria[i])});
        }
    }
    bool operator()(const AppointmentView& r)
    {
        for (const auto& [field, word] : m_wanted) {
            r.textInto(field, m_buffer);
            for (QChar& c : m_buffer) {
                if (c.unicode() >= u'A' && c.unicode() <= u'Z')
                    c = QChar(c.unicode() + (u'a' - u'A'));
            }
            if (!m_buffer.contains(word))
                return false;
        }
        return true;
    }

private:
    QList<std::pair<F, QString>> m_wanted;
    QString m_buffer;
};

} // namespace

QStringList searchLines(const QString& path, const Criteria& criteria)
{
    QStringList lines;
    Matcher matcher(criteria);
    archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
        const AppointmentView r(bytes);
        if (matcher(r))
            lines << listLine(r);
    });
    return lines;
}

QStringList stateLines(const QString& path, State state, const QDate& today)
{
    QStringList lines;
    try {
        archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
            const AppointmentView r(bytes);
            bool listed = false;
            switch (state) {
            case State::ToFulfil:
                listed = r.isNo(F::fulfilled);
                break;
            case State::Fulfilled:
                listed = r.isYes(F::fulfilled);
                break;
            case State::Expired: {
                const auto date = texts::parseDate(r.text(F::date));
                listed = date && *date < today && r.isNo(F::fulfilled);
                break;
            }
            }
            if (listed)
                lines << listLine(r);
        });
    } catch (const AccessFailure&) {
    }
    return lines;
}

QList<Found> recordsWithLine(const QString& path, const QString& selected, QString (*line)(const AppointmentView&))
{
    QList<Found> found;
    const QString wanted = texts::trim(selected);
    archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
        if (texts::trim(line(AppointmentView(bytes))) == wanted)
            found.append({QByteArray(bytes, AppointmentRecord::Size), position});
    });
    return found;
}

} // namespace appointments
