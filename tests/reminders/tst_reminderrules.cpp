// The rules of the reminders without screens: what falls due at a moment,
// the record of the reminders given shared by restarts and workstations,
// the settings of a new program folder and the autostart entry.
#include "reminders/reminderrules.h"
#include "reminders/reminderwatch.h"
#include "storage/archivefile.h"
#include "support/folders.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace reminders;

namespace {

AppointmentRecord record(
    const QString& date, const QString& hour, const QString& minute, const QString& notice, bool fulfilled = false)
{
    AppointmentRecord r;
    r.setText(AppointmentField::date, date);
    r.setText(AppointmentField::hour, hour);
    r.setText(AppointmentField::minute, minute);
    r.setText(AppointmentField::time, hour + u':' + minute);
    r.setText(AppointmentField::noticeDays, notice);
    r.setText(AppointmentField::purpose, u"Firma contratto"_s);
    r.setText(AppointmentField::contact, u"Studio Rossi & C."_s);
    r.setFlag(AppointmentField::fulfilled, fulfilled);
    return r;
}

Commitment of(const AppointmentRecord& r, qint64 position = 1)
{
    const auto c = commitment(AppointmentView(r.data()), position);
    if (!c)
        qFatal("not a commitment");
    return *c;
}

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute, second));
}

// An INI value read by Python's own reader, not by the program's.
QString iniValue(const QString& path, const QString& section, const QString& key)
{
    QProcess p;
    p.start(u"python3"_s,
        { u"-c"_s,
            u"import configparser,sys\n"
            u"c=configparser.RawConfigParser(interpolation=None); c.optionxform=str\n"
            u"c.read(sys.argv[1], encoding='utf-8'); print(c.get(sys.argv[2], sys.argv[3]), end='')"_s,
            path, section, key });
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestReminderRules : public QObject {
    Q_OBJECT

private slots:
    void commitmentOnlyWhenTheAgendaCouldListIt_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<bool>("fulfilled");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("timed");
        QTest::newRow("open, with time") << u"15/03/2024"_s << u"10"_s << u"5"_s << false << true << true;
        QTest::newRow("fulfilled") << u"15/03/2024"_s << u"10"_s << u"5"_s << true << false << false;
        QTest::newRow("unreadable date") << u"31/02/2024"_s << u"10"_s << u"5"_s << false << false << false;
        QTest::newRow("unreadable notice") << u"15/03/2024"_s << u"10"_s << u"x"_s << false << false << false;
        QTest::newRow("hour out of range") << u"15/03/2024"_s << u"24"_s << u"0"_s << false << true << false;
        QTest::newRow("no hour") << u"15/03/2024"_s << u""_s << u"0"_s << false << true << false;
    }
    void commitmentOnlyWhenTheAgendaCouldListIt()
    {
        QFETCH(QString, date);
        QFETCH(QString, hour);
        QFETCH(QString, notice);
        QFETCH(bool, fulfilled);
        QFETCH(bool, kept);
        QFETCH(bool, timed);
        const AppointmentRecord r = record(date, hour, u"30"_s, notice, fulfilled);
        const auto c = commitment(AppointmentView(r.data()), 7);
        QCOMPARE(c.has_value(), kept);
        if (c)
            QCOMPARE(c->hasTime(), timed);
    }

    // What is due at a moment, for a commitment on 15/03 at 10:30 with five
    // days of notice, reminded 15 minutes before.
    void dueAtAMoment_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("kinds");
        QTest::newRow("day before the notice") << at(9, 23, 59) << u""_s;
        QTest::newRow("first day of notice") << at(10, 0, 0) << u"N"_s;
        QTest::newRow("inside the notice") << at(13, 17, 0) << u"N"_s;
        QTest::newRow("its day, early") << at(15, 8, 0) << u"N"_s;
        QTest::newRow("a minute before the reminder") << at(15, 10, 14, 59) << u"N"_s;
        QTest::newRow("the reminder's minute") << at(15, 10, 15) << u"S"_s;
        QTest::newRow("just before the time") << at(15, 10, 29, 59) << u"S"_s;
        QTest::newRow("its time") << at(15, 10, 30) << u"N"_s;
        QTest::newRow("the day after") << at(16, 9, 0) << u""_s;
    }
    void dueAtAMoment()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, kinds);
        const std::vector<Commitment> all { of(record(u"15/03/2024"_s, u"10"_s, u"30"_s, u"5"_s)) };
        const auto day = ofTheDay(all, now.date());
        QString found;
        for (const Due& d : dueAt(day, now, 15, {}))
            found += d.kind == Kind::Notice ? u'N' : u'S';
        QCOMPARE(found, kinds);
    }

    void givenOncePerKindAndDay()
    {
        const std::vector<Commitment> all { of(record(u"15/03/2024"_s, u"10"_s, u"30"_s, u"5"_s)) };
        const QDateTime now = at(15, 10, 20);
        const auto due = dueAt(all, now, 15, {});
        QCOMPARE(due.size(), 1);
        // The minutes-before reminder counts for the notice of the same day too.
        QCOMPARE(due[0].keys.size(), 2);
        const QSet<QString> given(due[0].keys.begin(), due[0].keys.end());
        QVERIFY(dueAt(all, now, 15, given).isEmpty());
        QVERIFY(dueAt(all, at(15, 10, 29), 15, given).isEmpty());
        // The next day of the notice the commitment is reminded again.
        const std::vector<Commitment> earlier { of(record(u"20/03/2024"_s, u"10"_s, u"30"_s, u"10"_s)) };
        const auto first = dueAt(earlier, at(15, 9, 0), 15, {});
        const QSet<QString> firstKeys(first[0].keys.begin(), first[0].keys.end());
        QVERIFY(dueAt(earlier, at(15, 18, 0), 15, firstKeys).isEmpty());
        QCOMPARE(dueAt(earlier, at(16, 9, 0), 15, firstKeys).size(), 1);
    }

    void movedCommitmentIsANewReminder()
    {
        const Commitment before = of(record(u"15/03/2024"_s, u"10"_s, u"30"_s, u"5"_s), 4);
        const Commitment later = of(record(u"15/03/2024"_s, u"11"_s, u"30"_s, u"5"_s), 4);
        const Commitment otherDay = of(record(u"16/03/2024"_s, u"10"_s, u"30"_s, u"5"_s), 4);
        const QDate today(2024, 3, 15);
        QCOMPARE(key(before, Kind::Soon, today), key(before, Kind::Soon, today));
        QVERIFY(key(before, Kind::Soon, today) != key(later, Kind::Soon, today));
        QVERIFY(key(before, Kind::Notice, today) != key(otherDay, Kind::Notice, today));
        QVERIFY(key(before, Kind::Notice, today) != key(before, Kind::Soon, today));
    }

    void nextMomentIsTheNextReminderOrMidnight()
    {
        const std::vector<Commitment> all { of(record(u"15/03/2024"_s, u"10"_s, u"30"_s, u"0"_s), 1),
            of(record(u"15/03/2024"_s, u"09"_s, u"00"_s, u"0"_s), 2),
            of(record(u"16/03/2024"_s, u"00"_s, u"10"_s, u"0"_s), 3) };
        const auto day = ofTheDay(all, QDate(2024, 3, 15));
        QCOMPARE(nextMoment(day, at(15, 8, 0), 15), at(15, 8, 45));
        QCOMPARE(nextMoment(day, at(15, 8, 45), 15), at(15, 10, 15));
        // Ten past midnight tomorrow: its reminder falls this evening.
        QCOMPARE(nextMoment(day, at(15, 10, 15), 15), at(15, 23, 55));
        QCOMPARE(nextMoment(day, at(15, 23, 55), 15), at(16, 0, 0));
        // Late in the evening the reminder of the commitment after midnight is due today.
        const auto late = dueAt(day, at(15, 23, 56), 15, {});
        QCOMPARE(std::count_if(late.begin(), late.end(), [](const Due& d) { return d.kind == Kind::Soon; }), 1);
        QCOMPARE(late.last().commitment.position, 3);
    }

    void textsInItalian()
    {
        const AppointmentRecord r = record(u"15/03/2024"_s, u"10"_s, u"30"_s, u"5"_s);
        const Texts notice = texts(AppointmentView(r.data()), Kind::Notice);
        QCOMPARE(notice.title, u"Impegno in scadenza: Firma contratto"_s);
        QCOMPARE(notice.body, u"Data: 15/03/2024 ore 10:30\nContatto: Studio Rossi & C."_s);
        QCOMPARE(texts(AppointmentView(r.data()), Kind::Soon).title, u"Impegno alle 10:30: Firma contratto"_s);
    }

    // A restart, or another workstation on the same folder, reads what was given.
    void ledgerSharedAndRewrittenWhole()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(Ledger::FileName);
        const QDate today(2024, 3, 15);
        const QString old = u"20240314 preavviso 1 202403150930"_s;
        testsupport::writeFile(path, (old + u'\n').toUtf8());
        struct stat before { };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);

        Ledger first(path);
        const QString mine = u"20240315 preavviso 2 202403151030"_s;
        const QString tomorrow = u"20240316 imminente 3 202403160010"_s;
        QVERIFY(first.add({ mine, tomorrow }, today));
        Ledger second(path); // the next run, or the workstation next door
        QCOMPARE(second.given(today), (QSet<QString> { mine, tomorrow }));
        QVERIFY(second.given(today.addDays(2)).isEmpty());
        // Past days are dropped, and the file is a new one renamed over the old.
        QCOMPARE(testsupport::readFile(path), (mine + u'\n' + tomorrow + u'\n').toUtf8());
        struct stat after { };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);

        // Both workstations add: neither loses the other's lines.
        const QString theirs = u"20240315 imminente 9 202403151200"_s;
        QVERIFY(second.add({ theirs }, today));
        QVERIFY(first.add({}, today));
        QCOMPARE(Ledger(path).given(today).size(), 3);
    }

    void ledgerUnwritableStillRemembered()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"missing/"_s + Ledger::FileName);
        Ledger ledger(path);
        const QString key = u"20240315 preavviso 2 202403151030"_s;
        QVERIFY(!ledger.add({ key }, QDate(2024, 3, 15)));
        QVERIFY(ledger.given(QDate(2024, 3, 15)).contains(key));
    }

    void settingsOfANewFolderAndBack()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(Settings::FileName);
        const Settings fresh = Settings::load(path);
        QVERIFY(fresh.enabled);
        QCOMPARE(fresh.minutesBefore, 15);
        QVERIFY((Settings { false, 40 }).save(path));
        QCOMPARE(iniValue(path, u"Promemoria"_s, u"Minuti"_s), u"40"_s);
        const Settings back = Settings::load(path);
        QVERIFY(!back.enabled);
        QCOMPARE(back.minutesBefore, 40);
        testsupport::writeFile(path, "[Promemoria]\nMinuti=-3\n");
        QCOMPARE(Settings::load(path).minutesBefore, 15);
    }

    void autostartEntryWrittenAndRemoved()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString program = config.filePath(u"Programmi/Quirvale \"5\"/Quirvale"_s);
        QCOMPARE(autostart::entryPath(), config.filePath(u"autostart/quirvale.desktop"_s));
        QVERIFY(!autostart::isOn());
        QVERIFY(autostart::set(true, program, config.filePath(u"quirvale.svg"_s)));
        QVERIFY(autostart::isOn());
        const QString entry = autostart::entryPath();
        QCOMPARE(iniValue(entry, u"Desktop Entry"_s, u"Type"_s), u"Application"_s);
        // The Exec value, unescaped as the desktop entry rules say: the string
        // escapes first, then the quoting of the argument.
        QString exec = iniValue(entry, u"Desktop Entry"_s, u"Exec"_s);
        exec.replace(u"\\\\"_s, u"\\"_s);
        QVERIFY2(exec.startsWith(u'"') && exec.endsWith(u'"'), qPrintable(exec));
        exec = exec.mid(1, exec.size() - 2).replace(u"\\\""_s, u"\""_s).replace(u"\\\\"_s, u"\\"_s);
        QCOMPARE(exec, program);
        QVERIFY(autostart::set(false, program, QString()));
        QVERIFY(!QFileInfo::exists(entry));
        qunsetenv("XDG_CONFIG_HOME");
    }

    // One read when the archive changed, none while it stays as it is.
    void watchReadsOnlyAfterAChange()
    {
        testsupport::ProgramFolderFixture folder;
        const QString archive = folder.file(u"Archivio_Appuntamenti.qzv"_s);
        archive::append(archive, AppointmentRecord::Size, record(u"15/03/2024"_s, u"10"_s, u"30"_s, u"5"_s).data());
        QDateTime now = at(15, 9, 0);
        Watch watch(archive, folder.file(Ledger::FileName), [&now] { return now; });
        QList<Reminder> given;
        connect(&watch, &Watch::remind, this, [&](const QList<Reminder>& r) { given += r; });
        watch.start();
        QCOMPARE(watch.reads(), 1);
        QCOMPARE(given.size(), 1);
        QCOMPARE(watch.dueToday(), 1);
        QCOMPARE(watch.nextWake(), at(15, 10, 15));
        for (int i = 0; i < 12; ++i)
            watch.fallbackTick();
        QCOMPARE(watch.reads(), 1);
        archive::append(archive, AppointmentRecord::Size, record(u"14/03/2024"_s, u"10"_s, u"30"_s, u"0"_s).data());
        watch.fallbackTick();
        QCOMPARE(watch.reads(), 2);
        QCOMPARE(watch.dueToday(), 2);
        QCOMPARE(given.size(), 1); // past its date: the agenda lists it, no reminder
        now = at(15, 10, 15);
        watch.fallbackTick(); // the wake's moment passed while its timer slept
        QCOMPARE(given.size(), 2);
        QCOMPARE(given.last().kind, Kind::Soon);
        QCOMPARE(watch.reads(), 2);
    }
};

QTEST_GUILESS_MAIN(TestReminderRules)
#include "tst_reminderrules.moc"
