#include "reminders/reminderrules.h"

#include "appointments/appointmentrules.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/safefiles.h"
#include "storage/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace reminders {

namespace {

// Two digits from 0 to `max`, as the card's hour and minute lists write them.
int smallNumber(const QString& text, int max)
{
    const QString t = texts::trim(text);
    if (t.isEmpty() || t.size() > 2 || !std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); }))
        return -1;
    const int value = t.toInt();
    return value <= max ? value : -1;
}

QString kindName(Kind kind)
{
    return kind == Kind::Notice ? u"preavviso"_s : u"imminente"_s;
}

} // namespace

QDateTime Commitment::moment() const
{
    return QDateTime(date(), QTime(minute / 60, minute % 60));
}

QDateTime Commitment::soonMoment(int minutesBefore) const
{
    return moment().addSecs(-60LL * minutesBefore);
}

std::optional<Commitment> commitment(const AppointmentView& record, qint64 position)
{
    if (!record.isNo(F::fulfilled))
        return std::nullopt;
    const auto start = appointments::noticeStart(record);
    if (!start || !start->isValid())
        return std::nullopt;
    const auto date = texts::parseDate(record.text(F::date));
    Commitment c;
    c.position = position;
    c.noticeStart = start->toJulianDay();
    c.day = date->toJulianDay();
    const int hour = smallNumber(record.text(F::hour), 23);
    const int minute = smallNumber(record.text(F::minute), 59);
    if (hour >= 0 && minute >= 0)
        c.minute = hour * 60 + minute;
    return c;
}

Scan scan(const QString& archivePath)
{
    Scan result;
    try {
        archive::readAll(archivePath, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
            if (const auto c = commitment(AppointmentView(bytes), position))
                result.commitments.push_back(*c);
        });
    } catch (const AccessFailure&) {
        result.complete = false;
    }
    return result;
}

qsizetype dueCount(const std::vector<Commitment>& commitments, const QDate& today)
{
    const qint64 day = today.toJulianDay();
    return std::count_if(
        commitments.begin(), commitments.end(), [day](const Commitment& c) { return c.noticeStart <= day; });
}

std::vector<Commitment> ofTheDay(const std::vector<Commitment>& commitments, const QDate& today)
{
    const qint64 day = today.toJulianDay();
    std::vector<Commitment> kept;
    for (const Commitment& c : commitments) {
        const bool inNotice = c.noticeStart <= day && day <= c.day;
        const bool timeNear = c.hasTime() && (c.day == day || c.day == day + 1);
        if (inNotice || timeNear)
            kept.push_back(c);
    }
    return kept;
}

QString key(const Commitment& c, Kind kind, const QDate& day)
{
    const QString time = c.hasTime() ? QString::asprintf("%02d%02d", c.minute / 60, c.minute % 60) : u"----"_s;
    return day.toString(u"yyyyMMdd"_s) + u' ' + kindName(kind) + u' ' + QString::number(c.position) + u' '
        + c.date().toString(u"yyyyMMdd"_s) + time;
}

QList<Due> dueAt(
    const std::vector<Commitment>& day, const QDateTime& now, int minutesBefore, const QSet<QString>& given)
{
    QList<Due> due;
    const QDate today = now.date();
    const qint64 todayNumber = today.toJulianDay();
    for (const Commitment& c : day) {
        // The keys are made only for what the moment allows.
        QString noticeKey;
        bool notice = c.noticeStart <= todayNumber && todayNumber <= c.day;
        if (notice) {
            noticeKey = key(c, Kind::Notice, today);
            notice = !given.contains(noticeKey);
        }
        bool soon = c.hasTime() && c.soonMoment(minutesBefore) <= now && now < c.moment();
        QString soonKey;
        if (soon) {
            // Recorded under the commitment's own day, so the reminder given
            // late in the evening before counts for it.
            soonKey = key(c, Kind::Soon, c.date());
            soon = !given.contains(soonKey);
        }
        if (soon)
            due.append({ c, Kind::Soon, notice ? QStringList { soonKey, noticeKey } : QStringList { soonKey } });
        else if (notice)
            due.append({ c, Kind::Notice, { noticeKey } });
    }
    return due;
}

QDateTime nextMoment(const std::vector<Commitment>& day, const QDateTime& now, int minutesBefore)
{
    QDateTime next(now.date().addDays(1), QTime(0, 0));
    for (const Commitment& c : day) {
        if (!c.hasTime())
            continue;
        const QDateTime soon = c.soonMoment(minutesBefore);
        if (soon > now && soon < next)
            next = soon;
    }
    return next;
}

Texts texts(const AppointmentView& record, Kind kind)
{
    const QString purpose = record.text(F::purpose);
    const QString date = record.text(F::date);
    const QString time = record.text(F::time);
    const QString contact = record.text(F::contact);
    Texts t;
    if (kind == Kind::Soon)
        t.title = u"Impegno alle "_s + time;
    else
        t.title = u"Impegno in scadenza"_s;
    if (!purpose.isEmpty())
        t.title += u": "_s + purpose;
    t.body = u"Data: "_s + date;
    if (!time.isEmpty())
        t.body += u" ore "_s + time;
    if (!contact.isEmpty())
        t.body += u"\nContatto: "_s + contact;
    return t;
}

bool stillDue(const AppointmentView& record, const Commitment& c)
{
    const auto now = commitment(record, c.position);
    return now && now->day == c.day && now->minute == c.minute && now->noticeStart == c.noticeStart;
}

const QString Ledger::FileName = programFolder::ReminderLedger;

Ledger::Ledger(QString path)
    : m_path(std::move(path))
{
}

namespace {

// The files of the reminders live in the shared program folder: read
// without waiting on whatever has their name, never more than this much.
constexpr qint64 FileLimit = 16 * 1024 * 1024;

QStringList readLines(const QString& path)
{
    QByteArray bytes;
    if (!safefiles::readSmall(path, FileLimit, bytes))
        return {};
    QStringList lines;
    for (const QByteArray& line : bytes.split('\n'))
        lines.append(QString::fromUtf8(line).trimmed());
    return lines;
}

// Puts `bytes` in the place of `path` whole, never through a link there.
bool replaceWhole(const QString& path, const QByteArray& bytes)
{
    safefiles::Replacement file(path);
    return file.open() && safefiles::writeAll(file.handle(), bytes.constData(), bytes.size()) && file.commit();
}

} // namespace

QSet<QString> Ledger::given(const QDate& today)
{
    const QString first = today.toString(u"yyyyMMdd"_s);
    QSet<QString> keys;
    for (const QString& key : std::as_const(m_own))
        if (key.left(8) >= first)
            keys.insert(key);
    for (const QString& line : readLines(m_path))
        if (line.size() > 9 && line.left(8) >= first)
            keys.insert(line);
    return keys;
}

bool Ledger::add(const QStringList& keys, const QDate& today)
{
    // Keep today's lines and the reminders recorded under a later day (the
    // minutes-before reminder given the evening before).
    const QString first = today.toString(u"yyyyMMdd"_s);
    m_own.removeIf([&first](const QString& key) { return key.left(8) < first; });
    for (const QString& key : keys)
        m_own.insert(key);
    QStringList lines;
    QSet<QString> seen;
    const auto keep = [&](const QString& line) {
        if (line.size() > 9 && line.left(8) >= first && !seen.contains(line)) {
            seen.insert(line);
            lines.append(line);
        }
    };
    for (const QString& line : readLines(m_path))
        keep(line);
    for (const QString& key : keys)
        keep(key);
    return replaceWhole(m_path, lines.join(u'\n').toUtf8() + '\n');
}

const QString Settings::FileName = programFolder::ReminderSettings;

Settings Settings::load(const QString& path)
{
    Settings s;
    // Read as plain text: one section, two keys, nothing decoded.
    QString section, active = u"Sì"_s, minutesText;
    for (const QString& line : readLines(path)) {
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section != u"Promemoria"_s || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Attivi"_s)
            active = value;
        else if (key == u"Minuti"_s)
            minutesText = value;
    }
    s.enabled = active != u"No"_s;
    bool ok = false;
    const int minutes = minutesText.toInt(&ok);
    if (ok && minutes >= 0 && minutes <= MaxMinutes)
        s.minutesBefore = minutes;
    return s;
}

bool Settings::save(const QString& path) const
{
    const QString text = u"[Promemoria]\nAttivi="_s + (enabled ? u"Sì"_s : u"No"_s) + u"\nMinuti="_s
        + QString::number(minutesBefore) + u'\n';
    return replaceWhole(path, text.toUtf8());
}

namespace autostart {

QString entryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + u"/.config"_s;
    return config + u"/autostart/quirvale.desktop"_s;
}

bool isOn()
{
    return QFileInfo::exists(entryPath());
}

namespace {

// A value of Exec quoted the way desktop entries want it (freedesktop.org rules).
QString quoted(const QString& program)
{
    QString q = program;
    for (const QString& special : { u"\\"_s, u"\""_s, u"`"_s, u"$"_s })
        q.replace(special, u"\\"_s + special);
    q.replace(u"\\"_s, u"\\\\"_s);
    return u'"' + q + u'"';
}

} // namespace

bool set(bool on, const QString& program, const QString& icon)
{
    const QString path = entryPath();
    if (!on)
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = u"[Desktop Entry]\n"
                          u"Type=Application\n"
                          u"Name=Quirvale 5.0\n"
                          u"Comment=Agenda degli impegni con i promemoria sul desktop\n"
                          u"Exec="_s
        + quoted(program) + u"\nIcon="_s + icon + u"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n"_s;
    const QByteArray bytes = entry.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

} // namespace autostart

} // namespace reminders
