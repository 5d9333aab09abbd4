// The exchange of appointments and contacts with calendar and address-book
// files: round trips through the files, the files read by Debian's own
// Python readers, real-world files from phones and desktop programs,
// imports repeated, and damaged files.
#include "appointments/appointmentrules.h"
#include "exchange/contentlines.h"
#include "exchange/exchangeplan.h"
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"
#include "support/folders.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace exchange;
using itemmap::folderIdentity;
using programFolder::Identity;
using testsupport::ProgramFolderFixture;
using testsupport::readFile;
using testsupport::writeFile;
using A = AppointmentField;
using C = ContactField;

namespace {

const QString Fixtures = QStringLiteral(FIXTURES_DIR);
const ical::Range March2024 { QDate(2024, 3, 1), QDate(2025, 2, 28) };

QByteArray fixture(const QString& name)
{
    return readFile(Fixtures + u'/' + name);
}

AppointmentRecord fullAppointment()
{
    AppointmentRecord r;
    r.setText(A::date, u"05/03/2024"_s);
    r.setText(A::hour, u"09"_s);
    r.setText(A::minute, u"30"_s);
    r.setText(A::time, u"09:30"_s);
    r.setText(A::noticeDays, u"3"_s);
    r.setText(A::commitmentType, u"Udienza, civile"_s);
    // Long enough to be folded, with accents across the fold.
    r.setText(
        A::purpose, u"Causa Rossi c/ Bianchi; rinvio dell'udienza di comparizione"_s + QString(40, u'è') + u" fine"_s);
    r.setText(A::details, u"Aula 3 \\ piano 2; portare la toga"_s);
    r.setText(A::contact, u"Avv. Ferri Cristina"_s);
    r.setText(A::phone, u"06 1234567"_s);
    r.setText(A::mobile, u"333 7654321"_s);
    r.setText(A::email, u"ferri@example.it"_s);
    r.setText(A::place, u"Tribunale di Roma, via Varisco 3"_s);
    r.setText(A::amount, u"1250,50"_s);
    r.setText(A::notes, u"Urgente: costo previsto € 300, più IVA; ŁÓDŹ"_s);
    r.setFlag(A::fulfilled, false);
    return r;
}

ContactRecord fullContact()
{
    ContactRecord r;
    r.setText(C::fullName, u"De Luca Marco Antonio"_s);
    r.setText(C::birthDate, u"31/01/1970"_s);
    r.setText(C::birthPlace, u"Forlì"_s);
    r.setText(C::birthProvince, u"FC"_s);
    r.setText(C::sex, u"M"_s);
    r.setText(C::preferredPhone, u"ufficio, dopo le 15"_s);
    r.setText(C::residenceAddress, u"Via dell'Indipendenza 12, scala B; int. 4"_s);
    r.setText(C::residenceProvince, u"BO"_s);
    r.setText(C::residenceTown, u"Bologna"_s);
    r.setText(C::postCode, u"40121"_s);
    r.setText(C::paymentMethod, u"Bonifico a 30 giorni"_s);
    r.setText(C::homePhone, u"051 123456"_s);
    r.setText(C::officePhone, u"051 654321"_s);
    r.setText(C::mobilePhone, u"+39 347 0001122"_s);
    r.setText(C::certifiedEmail, u"marco.deluca@pec.example.it"_s);
    r.setText(C::email, u"marco.deluca@example.it"_s);
    r.setText(C::taxCode, u"DLCMCN70A31D704X"_s);
    r.setText(C::cardNumber, u"4111111111111111"_s);
    r.setText(C::cardExpiry, u"12/2027"_s);
    r.setText(C::vatNumber, u"01234567890"_s);
    r.setText(C::iban, u"IT60X0542811101000000123456"_s);
    r.setText(C::identityDocument, u"C.I. AX1234567"_s);
    r.setText(C::occupation, u"Ingegnere"_s);
    r.setText(C::maritalStatus, u"Coniugato"_s);
    r.setText(C::qualifications, u"Laurea in ingegneria \\ civile"_s);
    r.setText(C::interests, u"Impianti, domotica"_s);
    r.setText(C::zone, u"Emilia"_s);
    r.setText(C::pendingIssues, u"Fattura n. 12 da saldare; sollecito inviato"_s);
    r.setText(C::notes, u"Cliente dal 2019 — più volte in ritardo €"_s);
    r.setFlag(C::toRecontact, true);
    r.setText(C::attachedFile1, u"contratto.pdf"_s);
    r.setText(C::attachmentDescription1, u"Contratto firmato"_s);
    return r;
}

template <typename R>
QByteArray bytesOf(const R& record)
{
    return QByteArray(record.data(), R::Size);
}

QList<QByteArray> archiveRecords(Archive archive)
{
    const int size = archive == Archive::Appointments ? AppointmentRecord::Size : ContactRecord::Size;
    QList<QByteArray> records;
    archive::readAll(
        archivePath(archive), size, [&](const char* bytes, qint64) { records.append(QByteArray(bytes, size)); });
    return records;
}

// Debian's own Python readers, run apart from the program.
QJsonValue python(const QString& script, const QString& file)
{
    QProcess process;
    process.start(u"/usr/bin/python3"_s, { u"-c"_s, script, file });
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qWarning().noquote() << process.readAllStandardError();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object().value(u"result"_s);
}

// The field of every field of a record named as the test names it.
QString describeDifference(const QByteArray& expected, const QByteArray& actual)
{
    for (int f = 0; f < ContactRecord::FieldCount && expected.size() == ContactRecord::Size; ++f) {
        const int o = records::ContactLayout::Offsets[f];
        const int n = records::ContactLayout::Capacities[f] + 1;
        if (expected.mid(o, n) != actual.mid(o, n))
            return u"contact field %1: %2 / %3"_s.arg(f).arg(QString::fromLatin1(expected.mid(o + 1, n - 1).toHex()),
                QString::fromLatin1(actual.mid(o + 1, n - 1).toHex()));
    }
    for (int f = 0; f < AppointmentRecord::FieldCount && expected.size() == AppointmentRecord::Size; ++f) {
        const int o = records::AppointmentLayout::Offsets[f];
        const int n = records::AppointmentLayout::Capacities[f] + 1;
        if (expected.mid(o, n) != actual.mid(o, n))
            return u"appointment field %1"_s.arg(f);
    }
    return {};
}

} // namespace

class TestExchangeRules : public QObject {
    Q_OBJECT
private slots:
    void appointmentSurvivesExportAndImport()
    {
        QTemporaryDir files;
        const QString ics = files.filePath(u"agenda.ics"_s);
        AppointmentRecord allDay = fullAppointment();
        allDay.setText(A::noticeDays, QString());
        allDay.setFlag(A::fulfilled, true);
        {
            ProgramFolderFixture source;
            archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
            archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, allDay.data());
            const ExportOutcome out = exportCalendar(ics, QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC));
            QCOMPARE(out.written, 2);
        }
        ProgramFolderFixture target;
        const Plan plan = planCalendarFile(readFile(ics), March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Add), 2);
        applyImport(plan);
        const QList<QByteArray> records = archiveRecords(Archive::Appointments);
        QCOMPARE(records.size(), 2);
        QVERIFY2(records[0] == bytesOf(fullAppointment()),
            qPrintable(describeDifference(bytesOf(fullAppointment()), records[0])));
        // Without a notice it comes back with none: the agenda lists it on its day.
        allDay.setText(A::noticeDays, u"0"_s);
        QVERIFY2(records[1] == bytesOf(allDay), qPrintable(describeDifference(bytesOf(allDay), records[1])));
    }

    // An event that a phone or a calendar gives without a notice is a
    // commitment to do on its day: the agenda (and the reminders, which
    // follow it) take it up then, not never.
    void anEventWithoutNoticeIsOnTheAgendaOnItsDay()
    {
        ProgramFolderFixture folder;
        const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//prova//IT\r\nBEGIN:VEVENT\r\n"
                               "UID:senza-preavviso@prova\r\nDTSTART:20240312T093000\r\nSUMMARY:Scadenza F24\r\n"
                               "END:VEVENT\r\nEND:VCALENDAR\r\n";
        applyImport(planCalendarFile(ics, March2024));
        const QString path = archivePath(Archive::Appointments);
        QCOMPARE(appointments::dueRows(path, QDate(2024, 3, 11)).rows.size(), 0);
        QCOMPARE(appointments::dueRows(path, QDate(2024, 3, 12)).rows.size(), 1);
        QCOMPARE(
            AppointmentView(archiveRecords(Archive::Appointments).value(0).constData()).text(A::noticeDays), u"0"_s);
    }

    // A commitment already fulfilled goes out without an alarm, so no phone
    // rings for it; its notice comes back all the same.
    void aFulfilledCommitmentRingsOnNoPhone()
    {
        QTemporaryDir files;
        const QString ics = files.filePath(u"agenda.ics"_s);
        AppointmentRecord done;
        done.setText(A::date, u"12/03/2024"_s);
        done.setText(A::hour, u"09"_s);
        done.setText(A::minute, u"30"_s);
        done.setText(A::noticeDays, u"3"_s);
        done.setText(A::purpose, u"Versamento F24"_s);
        done.setFlag(A::fulfilled, true);
        {
            ProgramFolderFixture source;
            archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, done.data());
            QCOMPARE(exportCalendar(ics, QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC)).written, 1);
        }
        const QByteArray file = readFile(ics);
        QVERIFY2(!file.contains("BEGIN:VALARM"), file.constData());
        QVERIFY(file.contains("X-QUIRVALE-PREAVVISO:3\r\n"));
        ProgramFolderFixture target;
        applyImport(planCalendarFile(file, March2024));
        const QByteArray bytes = archiveRecords(Archive::Appointments).value(0);
        const AppointmentView back(bytes.constData());
        QCOMPARE(back.text(A::noticeDays), u"3"_s);
        QCOMPARE(back.text(A::fulfilled), u"Sì"_s);
    }

    // Google and Outlook write descriptions as HTML: the notes take them as
    // plain text with their line breaks, and read back as they are.
    void htmlDescriptionsBecomePlainText_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("notes");
        QTest::newRow("Google") << QByteArray("DESCRIPTION:<b>Importante</b>: portare la carta d&#39;identità<br>e "
                                              "il codice fiscale.\r\n")
                                << u"Importante: portare la carta d'identità\ne il codice fiscale."_s;
        QTest::newRow("Outlook, HTML only") << QByteArray("X-ALT-DESC;FMTTYPE=text/html:<html><body><p>Sala "
                                                          "A&nbsp;&amp; B</p><p>Piano 2</p></body></html>\r\n")
                                            << u"Sala A & B\nPiano 2"_s;
        QTest::newRow("a tag written as text stays text")
            << QByteArray("DESCRIPTION:<p>Scrivere &lt;b&gt; in grassetto</p>\r\n")
            << u"Scrivere &lt;b&gt; in grassetto"_s;
        QTest::newRow("plain text is left alone")
            << QByteArray("DESCRIPTION:Costo 5 < 7 & 3 > 2\r\n") << u"Costo 5 < 7 & 3 > 2"_s;
    }
    void htmlDescriptionsBecomePlainText()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, notes);
        const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Google Inc//Google Calendar//EN\r\n"
                               "BEGIN:VEVENT\r\nUID:html-1@google.com\r\nDTSTART:20240312T093000Z\r\n"
                               "SUMMARY:Rinnovo documenti\r\n"
            + lines + "END:VEVENT\r\nEND:VCALENDAR\r\n";
        const QList<Incoming> events = ical::readEvents(ics, March2024);
        QCOMPARE(events.size(), 1);
        const AppointmentRecord record = AppointmentRecord::fromBytes(events[0].record.constData());
        QCOMPARE(record.text(A::notes), notes);
        const QByteArray again = ical::eventItem(record, u"html-1@google.com"_s, QDateTime::currentDateTimeUtc());
        QCOMPARE(ical::readEvents(again, March2024).value(0).record, events[0].record);
    }

    // A phone writes FN first name first: "Cognome e nome" comes from N, and
    // the export gives the phone back the same surname and first name.
    void aPhonesNameKeepsSurnameAndFirstName()
    {
        ProgramFolderFixture folder;
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Niccolò;Luca;;;\r\nFN:Luca Niccolò\r\n"
                                "TEL;TYPE=CELL:333 1234567\r\nUID:tel-luca\r\nEND:VCARD\r\n";
        const QList<Incoming> cards = vcard::readCards(card);
        QCOMPARE(cards.size(), 1);
        const ContactRecord record = ContactRecord::fromBytes(cards[0].record.constData());
        QCOMPARE(record.text(C::fullName), u"Niccolò Luca"_s);
        const QByteArray out = vcard::cardItem(record, u"tel-luca"_s, {});
        QVERIFY2(out.contains("N:Niccolò;Luca;;;\r\n"), out.constData());
        // Imported, corrected on the card and imported again: one contact.
        applyImport(planContactsFile(card));
        QByteArray bytes = archiveRecords(Archive::Contacts).value(0);
        ContactRecord corrected = ContactRecord::fromBytes(bytes.constData());
        corrected.setText(C::fullName, u"Niccolò Luca Maria"_s);
        archive::rewriteAt(archivePath(Archive::Contacts), ContactRecord::Size, 1, corrected.data());
        applyImport(planContactsFile(card));
        QCOMPARE(archiveRecords(Archive::Contacts).size(), 1);
    }

    // Outlook names zones the Windows way and older Mozilla programs with a
    // prefix, without a VTIMEZONE: the time is that zone's; a zone that
    // cannot be known is read as Italian time and the preview says so.
    void zonesNamedTheWindowsWay_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("time"); // in Rome
        QTest::addColumn<bool>("unknown");
        QTest::newRow("Windows, New York") << QByteArray("Eastern Standard Time") << u"14:00"_s << false;
        QTest::newRow("Windows, Berlin") << QByteArray("W. Europe Standard Time") << u"09:00"_s << false;
        QTest::newRow("quoted Windows name") << QByteArray("\"Pacific Standard Time\"") << u"17:00"_s << false;
        QTest::newRow("Mozilla prefix") << QByteArray("/mozilla.org/20070129_1/America/New_York") << u"14:00"_s
                                        << false;
        QTest::newRow("IANA without VTIMEZONE") << QByteArray("Europe/London") << u"10:00"_s << false;
        QTest::newRow("unknown") << QByteArray("Ora di Marte") << u"09:00"_s << true;
    }
    void zonesNamedTheWindowsWay()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, time);
        QFETCH(bool, unknown);
        const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Microsoft Corporation//Outlook 16.0 "
                               "MIMEDIR//EN\r\nBEGIN:VEVENT\r\nUID:outlook-1\r\nDTSTART;TZID="
            + zone + ":20240312T090000\r\nSUMMARY:Chiamata\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        const QList<Incoming> events = ical::readEvents(ics, March2024);
        QCOMPARE(events.size(), 1);
        QVERIFY2(events[0].skipReason.isEmpty(), qPrintable(events[0].skipReason));
        QCOMPARE(AppointmentRecord::fromBytes(events[0].record.constData()).text(A::time), time);
        QCOMPARE(events[0].label.contains(u"sconosciuto"_s), unknown);
    }

    // A file put together from several sources: a card in UTF-8 among cards
    // in Windows-1252 keeps its letters; a quoted-printable soft break
    // before a line that begins with a blank keeps the blank.
    void mixedEncodingsAndSoftBreaks()
    {
        QByteArray file = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Citt\xE0;Andr\xE9\r\nFN:Andr\xE9 Citt\xE0\r\nEND:VCARD\r\n";
        file += QString(u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Niccolò;Luca;;;\r\nFN:Luca Niccolò\r\nEND:VCARD\r\n"_s)
                    .toUtf8();
        file += "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Verdi;Anna\r\nNOTE;ENCODING=QUOTED-PRINTABLE:Richiamare=\r\n"
                " luned=C3=AC\r\nEND:VCARD\r\n";
        const QList<Incoming> cards = vcard::readCards(file);
        QCOMPARE(cards.size(), 3);
        const auto text
            = [&](int i, C field) { return ContactRecord::fromBytes(cards[i].record.constData()).text(field); };
        QCOMPARE(text(0, C::fullName), u"Città André"_s);
        QCOMPARE(text(1, C::fullName), u"Niccolò Luca"_s);
        QCOMPARE(text(2, C::notes), u"Richiamare lunedì"_s);
    }

    // One line that cannot be read costs that line, or else its one item,
    // never the file: the preview names it with its line.
    void oneBadLineCostsItsLineOrItsItem_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::addColumn<QString>("first"); // what the preview says of the first event
        QTest::newRow("escaped separator in a repeat rule")
            << QByteArray("RRULE:FREQ=WEEKLY\\;COUNT=2") << u"15/12/2026 10:00  Uno"_s;
        QTest::newRow("empty exception list") << QByteArray("EXDATE:") << u"15/12/2026 10:00  Uno"_s;
        QTest::newRow("line without colon") << QByteArray("X-GUASTA") << u"15/12/2026 10:00  Uno (riga 8 non letta)"_s;
        QTest::newRow("impossible date, the event is skipped") << QByteArray(
            "DTEND:20261299T100000") << u"Uno: alla riga 8, la data \"20261299T100000\" di DTEND non è valida."_s;
    }
    void oneBadLineCostsItsLineOrItsItem()
    {
        QFETCH(QByteArray, bad);
        QFETCH(QString, first);
        const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//iCloud//IT\r\nBEGIN:VEVENT\r\nUID:a1\r\n"
                               "DTSTART:20261215T100000\r\nSUMMARY:Uno\r\n"
            + bad
            + "\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:a2\r\nDTSTART:20261216T100000\r\nSUMMARY:Due\r\nEND:VEVENT\r\n"
              "END:VCALENDAR\r\n";
        const QList<Incoming> events = ical::readEvents(ics, { QDate(2026, 12, 1), QDate(2027, 1, 31) });
        QVERIFY(events.size() >= 2);
        const QString said
            = events[0].skipReason.isEmpty() ? events[0].label : events[0].label + u": "_s + events[0].skipReason;
        QCOMPARE(said, first);
        QCOMPARE(events.last().label, u"16/12/2026 10:00  Due"_s);
        QVERIFY(events.last().skipReason.isEmpty());
    }
    // Nokia and old Outlook write a photo's base64 lines without the blank
    // that continues them: the card is read, the lines left out.
    void aPhotoWrittenWithoutIndentationCostsOnlyItsLines()
    {
        const QByteArray vcf
            = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Rossi;Mario\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQ\r\n"
              "SkZJRgABAQEASABIAAD/2wBDAAMCAgMCAgMDAwMEAwMEBQgFBQQEBQoHBwYIDAoMDAsKCwsNDhIQDQ4R\r\n"
              "DgsLEBYQERMUFRUVDA8XGBYUGBIUFRT/2wBDAQMEBAUEBQkFBQkUDQsNFBQUFBQUFBQUFBQUFBQUFBQU\r\n"
              "\r\nTEL;CELL:333 1234567\r\nEND:VCARD\r\n";
        const QList<Incoming> cards = vcard::readCards(vcf);
        QCOMPARE(cards.size(), 1);
        QVERIFY(cards[0].skipReason.isEmpty());
        const ContactRecord record = ContactRecord::fromBytes(cards[0].record.constData());
        QCOMPARE(record.text(C::fullName), u"Rossi Mario"_s);
        QCOMPARE(record.text(C::mobilePhone), u"333 1234567"_s);
        QVERIFY2(cards[0].label.contains(u"righe non lette: 5, 6"_s), qPrintable(cards[0].label));
    }

    // A firm goes out as a firm: its name as the organisation, with no
    // surname and first name a phone would swap; a person as a person.
    void aFirmGoesOutAsAFirm_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("taxCode");
        QTest::addColumn<bool>("firm");
        QTest::newRow("legal form") << u"Farmacia Centrale S.n.c."_s << QString() << true;
        QTest::newRow("srl") << u"Rossi Impianti srl"_s << QString() << true;
        QTest::newRow("company's tax code") << u"Bianchi e Figli"_s << u"01234567890"_s << true;
        QTest::newRow("person") << u"Rossi Mario"_s << u"RSSMRA80A01H501U"_s << false;
        QTest::newRow("person whose name has sas in it") << u"Sassi Anna"_s << QString() << false;
    }
    void aFirmGoesOutAsAFirm()
    {
        QFETCH(QString, name);
        QFETCH(QString, taxCode);
        QFETCH(bool, firm);
        ContactRecord record;
        record.setText(C::fullName, name);
        record.setText(C::taxCode, taxCode);
        for (const bool v4 : { false, true }) {
            const QByteArray card = vcard::cardItem(record, u"ditta-1"_s, { v4, true });
            QCOMPARE(card.contains(QByteArray("ORG:" + name.toUtf8() + "\r\n")), firm);
            QCOMPARE(card.contains("N:;;;;\r\n"), firm);
            QCOMPARE(card.contains("KIND:org\r\n"), firm && v4);
            const QList<Incoming> back = vcard::readCards(card);
            QCOMPARE(back.size(), 1);
            QCOMPARE(ContactRecord::fromBytes(back[0].record.constData()).text(C::fullName), name);
        }
    }

    void contactSurvivesExportAndImport_data()
    {
        QTest::addColumn<bool>("version4");
        QTest::addColumn<bool>("fiscal");
        QTest::newRow("3.0") << false << false;
        QTest::newRow("3.0 with fiscal data") << false << true;
        QTest::newRow("4.0") << true << false;
        QTest::newRow("4.0 with fiscal data") << true << true;
    }
    void contactSurvivesExportAndImport()
    {
        QFETCH(bool, version4);
        QFETCH(bool, fiscal);
        QTemporaryDir files;
        const QString vcf = files.filePath(u"rubrica.vcf"_s);
        {
            ProgramFolderFixture source;
            archive::append(archivePath(Archive::Contacts), ContactRecord::Size, fullContact().data());
            QCOMPARE(exportContacts(vcf, { version4, fiscal }).written, 1);
        }
        const QByteArray file = readFile(vcf);
        // The payment card never goes out; the fiscal data only when asked.
        QVERIFY(!file.contains("4111111111111111"));
        QVERIFY(!file.contains("12/2027"));
        QCOMPARE(file.contains("DLCMCN70A31D704X"), fiscal);
        QCOMPARE(file.contains("IT60X0542811101000000123456"), fiscal);
        QCOMPARE(file.contains("AX1234567"), fiscal);
        QVERIFY(file.startsWith(version4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n"));

        ProgramFolderFixture target;
        applyImport(planContactsFile(file));
        const QList<QByteArray> records = archiveRecords(Archive::Contacts);
        QCOMPARE(records.size(), 1);
        ContactRecord expected = fullContact();
        for (C f : { C::cardNumber, C::cardExpiry, C::attachedFile1, C::attachmentDescription1 })
            expected.setText(f, QString());
        if (!fiscal)
            for (C f : { C::taxCode, C::vatNumber, C::iban, C::identityDocument })
                expected.setText(f, QString());
        QVERIFY2(records[0] == bytesOf(expected), qPrintable(describeDifference(bytesOf(expected), records[0])));
    }

    // A telephone is 30 characters in the archive. Whatever a card puts at
    // the cut, the number read is the one the archive keeps, and written out
    // again it reads back byte for byte.
    void telephoneAtTheCutReadsBackAsWritten_data()
    {
        QTest::addColumn<QByteArray>("tel");
        QTest::addColumn<QString>("kept");
        const QString thirty = u"+39 347 000 111 222 333 444 55"_s;
        QTest::newRow("non-breaking space at the end")
            << QByteArray("TEL;TYPE=CELL:+39 347 0\xC2\xA0") << u"+39 347 0\u00A0"_s;
        QTest::newRow("non-breaking space, then controls")
            << QByteArray("TEL;TYPE=CELL:+39 347 0\xC2\xA0\x01\x03 ") << u"+39 347 0\u00A0"_s;
        QTest::newRow("control inside, number longer than the field")
            << QByteArray("TEL;TYPE=CELL:+39\x01 347 000 111 222 333 444 5566") << thirty;
        QTest::newRow("blank at the cut")
            << QByteArray("TEL;TYPE=CELL:+39 347 000 111 222 333 444 5 6") << u"+39 347 000 111 222 333 444 5"_s;
        QTest::newRow("without a type, non-breaking space at the cut")
            << QByteArray("TEL:+39 347 000 111 222 333 4445\xC2\xA0\xC2\xA0\xC2\xA0")
            << u"+39 347 000 111 222 333 4445\u00A0\u00A0"_s;
    }
    void telephoneAtTheCutReadsBackAsWritten()
    {
        QFETCH(QByteArray, tel);
        QFETCH(QString, kept);
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bianchi Maria\r\n" + tel + "\r\nEND:VCARD\r\n";
        const QList<Incoming> read = vcard::readCards(card);
        QCOMPARE(read.size(), 1);
        const ContactRecord record = ContactRecord::fromBytes(read[0].record.constData());
        const C field = tel.startsWith("TEL:") ? C::homePhone : C::mobilePhone;
        QCOMPARE(record.text(field), kept);
        const QList<Incoming> again = vcard::readCards(vcard::cardItem(record, u"uid-1"_s, {}));
        QCOMPARE(again.size(), 1);
        QVERIFY2(again[0].record == read[0].record, qPrintable(describeDifference(read[0].record, again[0].record)));
    }

    void calendarReadByPythonIcalendar()
    {
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QString ics = files.filePath(u"agenda.ics"_s);
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
        exportCalendar(ics, QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC));
        const QString script = uR"(
import sys, json, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
out = []
for ev in cal.walk('VEVENT'):
    alarm = ev.walk('VALARM')[0]
    out.append({'uid': str(ev['uid']), 'start': ev.decoded('dtstart').isoformat(),
        'utc': ev.decoded('dtstart').astimezone(__import__('datetime').timezone.utc).isoformat(),
        'duration': ev.decoded('duration').total_seconds(), 'summary': str(ev['summary']),
        'description': str(ev['description']), 'location': str(ev['location']),
        'categories': ','.join(str(c) for c in ev['categories'].cats), 'contact': str(ev['contact']),
        'details': str(ev['x-quirvale-dettagli']), 'amount': str(ev['x-quirvale-importo']),
        'fulfilled': str(ev['x-quirvale-assolto']), 'trigger': alarm.decoded('trigger').days,
        'zones': [str(z['tzid']) for z in cal.walk('VTIMEZONE')]})
print(json.dumps({'result': out}))
)"_s;
        const QJsonArray events = python(script, ics).toArray();
        QCOMPARE(events.size(), 1);
        const QJsonObject e = events[0].toObject();
        QVERIFY(e[u"uid"_s].toString().startsWith(u"A1-"_s));
        QCOMPARE(e[u"start"_s].toString(), u"2024-03-05T09:30:00+01:00"_s);
        QCOMPARE(e[u"utc"_s].toString(), u"2024-03-05T08:30:00+00:00"_s);
        QCOMPARE(e[u"duration"_s].toDouble(), 3600.0);
        QCOMPARE(e[u"summary"_s].toString(), fullAppointment().text(A::purpose));
        QCOMPARE(e[u"description"_s].toString(),
            u"Urgente: costo previsto € 300, più IVA; ?O?Z"_s.replace(
                u"?O?Z"_s, fullAppointment().text(A::notes).right(4)));
        QCOMPARE(e[u"location"_s].toString(), u"Tribunale di Roma, via Varisco 3"_s);
        // A comma inside a category is escaped; this reader splits there anyway.
        QCOMPARE(e[u"categories"_s].toString(), u"Udienza, civile"_s);
        QCOMPARE(e[u"contact"_s].toString(), u"Avv. Ferri Cristina"_s);
        QCOMPARE(e[u"amount"_s].toString(), u"1250,50"_s);
        QCOMPARE(e[u"fulfilled"_s].toString(), u"FALSE"_s);
        QCOMPARE(e[u"trigger"_s].toInt(), -3);
        QCOMPARE(e[u"zones"_s].toArray(), QJsonArray { u"Europe/Rome"_s });
    }

    void addressBookReadByPythonVobject_data()
    {
        QTest::addColumn<bool>("version4");
        QTest::newRow("3.0") << false;
        QTest::newRow("4.0") << true;
    }
    void addressBookReadByPythonVobject()
    {
        QFETCH(bool, version4);
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QString vcf = files.filePath(u"rubrica.vcf"_s);
        archive::append(archivePath(Archive::Contacts), ContactRecord::Size, fullContact().data());
        exportContacts(vcf, { version4, true });
        const QString script = uR"(
import sys, json, vobject
out = []
for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    out.append({'fn': card.fn.value, 'family': card.n.value.family, 'given': card.n.value.given,
        'bday': str(card.bday.value), 'street': card.adr.value.street, 'city': card.adr.value.city,
        'region': card.adr.value.region, 'code': card.adr.value.code,
        'tel': sorted(','.join(t.params.get('TYPE', [])).upper() + '=' + t.value for t in card.tel_list),
        'email': sorted(e.value for e in card.email_list), 'title': card.title.value, 'note': card.note.value,
        'pending': card.contents['x-quirvale-questioni'][0].value,
        'taxcode': card.contents['x-codice-fiscale'][0].value})
print(json.dumps({'result': out}))
)"_s;
        const QJsonArray cards = python(script, vcf).toArray();
        QCOMPARE(cards.size(), 1);
        const QJsonObject c = cards[0].toObject();
        QCOMPARE(c[u"fn"_s].toString(), u"De Luca Marco Antonio"_s);
        QCOMPARE(c[u"family"_s].toString(), u"De Luca"_s);
        QCOMPARE(c[u"given"_s].toString(), u"Marco Antonio"_s);
        QCOMPARE(c[u"bday"_s].toString(), version4 ? u"19700131"_s : u"1970-01-31"_s);
        QCOMPARE(c[u"street"_s].toString(), u"Via dell'Indipendenza 12, scala B; int. 4"_s);
        QCOMPARE(c[u"city"_s].toString(), u"Bologna"_s);
        QCOMPARE(c[u"region"_s].toString(), u"BO"_s);
        QCOMPARE(c[u"code"_s].toString(), u"40121"_s);
        QCOMPARE(c[u"tel"_s].toArray(),
            (QJsonArray { u"CELL,VOICE=+39 347 0001122"_s, u"HOME,VOICE=051 123456"_s, u"WORK,VOICE=051 654321"_s }));
        QCOMPARE(
            c[u"email"_s].toArray(), (QJsonArray { u"marco.deluca@example.it"_s, u"marco.deluca@pec.example.it"_s }));
        QCOMPARE(c[u"title"_s].toString(), u"Ingegnere"_s);
        QCOMPARE(c[u"note"_s].toString(), u"Cliente dal 2019 — più volte in ritardo €"_s);
        QCOMPARE(c[u"pending"_s].toString(), u"Fattura n. 12 da saldare; sollecito inviato"_s);
        QCOMPARE(c[u"taxcode"_s].toString(), u"DLCMCN70A31D704X"_s);
    }

    // A group of contacts, as Apple's address book and vCard 4 write one,
    // is no contact: skipped with its reason. A cancelled event is left
    // out of an import, with its record made for whoever marks it instead.
    void groupsAndCancelledEventsAreNoNewEntries_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Apple group") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Clienti VIP\r\nFN:Clienti VIP\r\n"
                                                   "X-ADDRESSBOOKSERVER-KIND:group\r\nUID:g-1\r\nEND:VCARD\r\n")
                                     << u"gruppo di contatti, non un contatto"_s;
        QTest::newRow("vCard 4 group") << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Fornitori\r\n"
                                                     "UID:g-2\r\nEND:VCARD\r\n")
                                       << u"gruppo di contatti, non un contatto"_s;
        QTest::newRow("cancelled event") << QByteArray(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\nUID:r-1\r\n"
            "DTSTAMP:20261201T080000Z\r\nDTSTART:20261215T100000\r\nSUMMARY:Riunione\r\n"
            "STATUS:CANCELLED\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                                         << u"evento annullato"_s;
    }
    void groupsAndCancelledEventsAreNoNewEntries()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        const bool event = text.startsWith("BEGIN:VCALENDAR");
        const QList<Incoming> items
            = event ? ical::readEvents(text, { QDate(2026, 1, 1), QDate(2027, 12, 31) }) : vcard::readCards(text);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0].skipReason, reason);
        QCOMPARE(items[0].group, !event);
        QCOMPARE(items[0].cancelled, event);
        if (event)
            QCOMPARE(AppointmentRecord::fromBytes(items[0].record.constData()).text(AppointmentField::purpose),
                u"Riunione"_s);
    }

    void realWorldAddressBooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected"); // per card: name|home|office|mobile|email|town|notes
        QTest::newRow("phone 2.1, quoted-printable")
            << u"phone21.vcf"_s
            << QStringList {
                   u"Nicolò Niccolò|06 5551234|02 7654321|+39 333 1234567|niccolo@example.it||Cliente dal 2019, più volte in ritardo € 50, da richiamare"_s,
                   u"Città André|011 445566||||Forlì|"_s,
               };
        QTest::newRow("desktop 3.0, folded")
            << u"addressbook30.vcf"_s
            << QStringList {
                   u"Bianchi Maria Grazia||+39 051 22 33 44|+39 347 000 1122|maria.bianchi@studiobianchi.example|Bologna|Riceve solo su appuntamento. Preferisce essere contattata via e-mail; mai dopo le 18.\nSecondo recapito: segreteria."_s,
               };
        QTest::newRow("4.0")
            << u"contacts40.vcf"_s
            << QStringList {
                   u"Esposito Gennaro|+39-081-5551234||+39-339-1112223|gennaro.esposito@example.com|Napoli|Tifoso del Napoli."_s,
               };
        QTest::newRow("Windows-1252") << u"cp1252.vcf"_s << QStringList { u"D’Amico Lucrèzia|||+39 320 9876543|||"_s };
    }
    void realWorldAddressBooks()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        const QList<Incoming> cards = vcard::readCards(fixture(file));
        QStringList got;
        for (const Incoming& card : cards) {
            QVERIFY2(card.skipReason.isEmpty(), qPrintable(card.skipReason));
            const ContactView v(card.record.constData());
            got.append(QStringList { v.text(C::fullName), v.text(C::homePhone), v.text(C::officePhone),
                v.text(C::mobilePhone), v.text(C::email), v.text(C::residenceTown), v.text(C::notes) }
                           .join(u'|'));
        }
        QCOMPARE(got, expected);
    }

    void realWorldCalendars_data()
    {
        QTest::addColumn<QString>("file");
        // date time purpose | notice ("0" when the event gives none: the agenda
        // lists it on its day), or "skip: reason"
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("time zone, repeats, exceptions")
            << u"recurring.ics"_s
            << QStringList {
                   u"05/03/2024 09:30 Riunione di studio|1"_s,
                   u"12/03/2024 09:30 Riunione di studio|1"_s,
                   // 19/03 excluded; 02/04 moved by its own event
                   u"26/03/2024 09:30 Riunione di studio|1"_s,
                   u"09/04/2024 09:30 Riunione di studio|1"_s,
                   u"02/04/2024 15:00 Riunione di studio (spostata)|0"_s,
                   u"skip: tipo non gestito (VTODO): solo gli eventi diventano appuntamenti"_s,
               };
        // A day without a time: the record keeps none, and goes out again as a day.
        QTest::newRow("all day") << u"allday.ics"_s << QStringList { u"25/04/2024  Festa della Liberazione|0"_s };
        QTest::newRow("other time zone, UTC") << u"otherzone.ics"_s
                                              << QStringList { u"15/03/2024 15:00 Call con il cliente di New York|0"_s,
                                                     u"10/07/2024 08:30 Volo per Londra|0"_s };
        QTest::newRow("Windows-1252") << u"cp1252.ics"_s
                                      << QStringList { u"20/05/2024 09:00 Udienza in Tribunale – ricorso n° 12|0"_s };
    }
    void realWorldCalendars()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        const QList<Incoming> events = ical::readEvents(fixture(file), March2024);
        QStringList got;
        for (const Incoming& event : events) {
            if (!event.skipReason.isEmpty()) {
                got.append(u"skip: "_s + event.skipReason);
                continue;
            }
            const AppointmentView v(event.record.constData());
            got.append(
                v.text(A::date) + u' ' + v.text(A::time) + u' ' + v.text(A::purpose) + u'|' + v.text(A::noticeDays));
        }
        // The order of a file's occurrences is the file's; compare as sets of lines.
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(got, expected);
    }

    void repeatsFollowTheRange()
    {
        // Six Tuesdays from 05/03/2024, one excluded, one moved: a range that
        // starts on 20/03 keeps only the later ones.
        const QList<Incoming> events
            = ical::readEvents(fixture(u"recurring.ics"_s), { QDate(2024, 3, 20), QDate(2024, 4, 30) });
        QStringList dates;
        for (const Incoming& e : events)
            if (e.skipReason.isEmpty())
                dates.append(AppointmentView(e.record.constData()).text(A::date));
        std::sort(dates.begin(), dates.end());
        QCOMPARE(dates, (QStringList { u"02/04/2024"_s, u"09/04/2024"_s, u"26/03/2024"_s }));
    }

    void importingTwiceAddsNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("added");
        QTest::newRow("calendar") << u"recurring.ics"_s << 5;
        QTest::newRow("calendar without UIDs") << u"cp1252.ics"_s << 1;
        QTest::newRow("address book 2.1") << u"phone21.vcf"_s << 2;
        QTest::newRow("address book 3.0") << u"addressbook30.vcf"_s << 1;
    }
    void importingTwiceAddsNothing()
    {
        QFETCH(QString, file);
        QFETCH(int, added);
        ProgramFolderFixture folder;
        const auto plan = [&] {
            return file.endsWith(u".ics"_s) ? planCalendarFile(fixture(file), March2024)
                                            : planContactsFile(fixture(file));
        };
        QCOMPARE(applyImport(plan()).added, added);
        const Plan again = plan();
        QCOMPARE(again.count(PlanEntry::Action::Add), 0);
        QCOMPARE(again.count(PlanEntry::Action::Update), 0);
        QCOMPARE(applyImport(again).added, 0);
    }

    void ownEventUpdatesItsRecordOnlyWhenChanged()
    {
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QString ics = files.filePath(u"agenda.ics"_s);
        AppointmentRecord second = fullAppointment();
        second.setText(A::purpose, u"Secondo"_s);
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, second.data());
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        const QByteArray exported = readFile(ics);
        // The same UIDs at every export.
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        const itemmap::ItemMap map = loadItemMap(Archive::Appointments);
        QVERIFY(map.byPosition(2));
        const QByteArray line = "UID:" + map.byPosition(2)->uid.toUtf8() + "\r\n";
        QCOMPARE(readFile(ics).count(line), 1);
        QCOMPARE(exported.count(line), 1);

        Plan unchanged = planCalendarFile(exported, March2024);
        QCOMPARE(unchanged.count(PlanEntry::Action::Skip), 2);

        QByteArray edited = exported;
        edited.replace("SUMMARY:Secondo\r\n", "SUMMARY:Secondo spostato\r\n");
        const Plan plan = planCalendarFile(edited, March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Add), 0);
        QCOMPARE(plan.count(PlanEntry::Action::Update), 1);
        QCOMPARE(applyImport(plan).updated, 1);
        const QList<QByteArray> records = archiveRecords(Archive::Appointments);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0], bytesOf(fullAppointment()));
        QCOMPARE(AppointmentView(records[1].constData()).text(A::purpose), u"Secondo spostato"_s);
    }

    // The three versions of an appointment that came from a phone: what the
    // file gave last time, what the office made of it since, what the file
    // gives now. A field changed only in the file is taken, one changed only
    // in the archive is kept; changed on both sides to different texts, the
    // archive's stays and the file's version is kept beside it.
    void importAgainKeepsTheOfficesEdits_data()
    {
        QTest::addColumn<QByteArray>("summary");  // the file's purpose at the second import
        QTest::addColumn<QByteArray>("location"); // the file's place at the second import
        QTest::addColumn<QString>("officePlace"); // the office's place, or empty when left alone
        QTest::addColumn<QString>("purpose");     // what the archive holds afterwards
        QTest::addColumn<QString>("place");
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("copies");
        QTest::newRow("file unchanged") << QByteArray("Riunione") << QByteArray("Sala A") << QString() << u"Riunione"_s
                                        << u"Sala A"_s << 0 << 0;
        QTest::newRow("file changed the purpose") << QByteArray("Riunione spostata") << QByteArray("Sala A")
                                                  << QString() << u"Riunione spostata"_s << u"Sala A"_s << 1 << 0;
        QTest::newRow("both changed, other fields") << QByteArray("Riunione spostata") << QByteArray("Sala A")
                                                    << u"Sala B"_s << u"Riunione spostata"_s << u"Sala B"_s << 1 << 0;
        QTest::newRow("both changed the place alike")
            << QByteArray("Riunione") << QByteArray("Sala B") << u"Sala B"_s << u"Riunione"_s << u"Sala B"_s << 0 << 0;
        QTest::newRow("both changed the place")
            << QByteArray("Riunione") << QByteArray("Sala C") << u"Sala B"_s << u"Riunione"_s << u"Sala B"_s << 0 << 1;
    }
    void importAgainKeepsTheOfficesEdits()
    {
        QFETCH(QByteArray, summary);
        QFETCH(QByteArray, location);
        QFETCH(QString, officePlace);
        QFETCH(QString, purpose);
        QFETCH(QString, place);
        QFETCH(int, updates);
        QFETCH(int, copies);
        ProgramFolderFixture folder;
        const auto phone = [](const QByteArray& summary, const QByteArray& location) -> QByteArray {
            return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\n"
                   "UID:riunione-1@telefono.example\r\nDTSTAMP:20240301T080000Z\r\n"
                   "DTSTART;TZID=Europe/Rome:20240305T093000\r\nSUMMARY:"
                + summary + "\r\nLOCATION:" + location + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        };
        QCOMPARE(applyImport(planCalendarFile(phone("Riunione", "Sala A"), March2024)).added, 1);

        // The office completes the card.
        AppointmentRecord card = AppointmentRecord::fromBytes(archiveRecords(Archive::Appointments)[0].constData());
        card.setText(A::noticeDays, u"3"_s);
        card.setText(A::commitmentType, u"Riunione di studio"_s);
        card.setText(A::contact, u"Ferri Cristina"_s);
        card.setText(A::amount, u"150,00"_s);
        card.setFlag(A::fulfilled, true);
        if (!officePlace.isEmpty())
            card.setText(A::place, officePlace);
        archive::rewriteAt(archivePath(Archive::Appointments), AppointmentRecord::Size, 1, card.data());

        const Plan plan = planCalendarFile(phone(summary, location), March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Update), updates);
        QCOMPARE(plan.count(PlanEntry::Action::Add), copies);
        if (updates + copies == 0) {
            QCOMPARE(plan.entries.size(), 1);
            QVERIFY2(plan.entries[0].reason.contains(u"invariato"_s), qPrintable(plan.entries[0].reason));
        }
        applyImport(plan);
        const QList<QByteArray> records = archiveRecords(Archive::Appointments);
        QCOMPARE(records.size(), 1 + copies);
        const AppointmentView after(records[0].constData());
        QCOMPARE(after.text(A::purpose), purpose);
        QCOMPARE(after.text(A::place), place);
        QCOMPARE(after.text(A::noticeDays), u"3"_s);
        QCOMPARE(after.text(A::commitmentType), u"Riunione di studio"_s);
        QCOMPARE(after.text(A::contact), u"Ferri Cristina"_s);
        QCOMPARE(after.text(A::amount), u"150,00"_s);
        QCOMPARE(after.text(A::fulfilled), u"Sì"_s);
        if (copies) {
            const auto copyEntry = std::find_if(plan.entries.cbegin(), plan.entries.cend(),
                [](const PlanEntry& entry) { return entry.action == PlanEntry::Action::Add; });
            QVERIFY(entryLine(*copyEntry).contains(u"copia in conflitto"_s));
            const AppointmentView copy(records[1].constData());
            QCOMPARE(copy.text(A::place), QString::fromUtf8(location));
            QVERIFY(copy.text(A::notes).startsWith(u"Copia in conflitto dal file importato il "_s));
        }
        // And the same file once more changes nothing.
        const Plan again = planCalendarFile(phone(summary, location), March2024);
        QCOMPARE(again.count(PlanEntry::Action::Update) + again.count(PlanEntry::Action::Add), 0);
    }

    // The same for a card: the zone, the pending questions and "Da
    // ricontattare" that the office wrote stay through a second import of
    // the phone's address book, and a new telephone of the phone comes in.
    void importAgainKeepsTheOfficesContactEdits()
    {
        ProgramFolderFixture folder;
        const auto phone = [](const QByteArray& mobile) -> QByteArray {
            return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:contatto-1@telefono.example\r\nFN:Bianchi Maria\r\n"
                   "N:Bianchi;Maria;;;\r\nTEL;TYPE=CELL:"
                + mobile + "\r\nEND:VCARD\r\n";
        };
        QCOMPARE(applyImport(planContactsFile(phone("333 1111111"))).added, 1);
        ContactRecord card = ContactRecord::fromBytes(archiveRecords(Archive::Contacts)[0].constData());
        card.setText(C::zone, u"Centro"_s);
        card.setText(C::pendingIssues, u"Preventivo da mandare"_s);
        card.setFlag(C::toRecontact, true);
        archive::rewriteAt(archivePath(Archive::Contacts), ContactRecord::Size, 1, card.data());

        const Plan unchanged = planContactsFile(phone("333 1111111"));
        QCOMPARE(unchanged.count(PlanEntry::Action::Update) + unchanged.count(PlanEntry::Action::Add), 0);
        QCOMPARE(applyImport(planContactsFile(phone("347 2222222"))).updated, 1);
        const QByteArray record = archiveRecords(Archive::Contacts)[0];
        const ContactView after(record.constData());
        QCOMPARE(after.text(C::mobilePhone), u"347 2222222"_s);
        QCOMPARE(after.text(C::zone), u"Centro"_s);
        QCOMPARE(after.text(C::pendingIssues), u"Preventivo da mandare"_s);
        QCOMPARE(after.text(C::toRecontact), u"Sì"_s);
    }

    // A phone's event goes out again as it came, with what the office
    // changed written over it: its span of days, attendee, alarm and the
    // other program's property, the whole of a description longer than the
    // card's notes, a name the archive's characters cannot hold.
    void foreignEventGoesOutWhole_data()
    {
        QTest::addColumn<int>("field"); // edited in the archive; -1 none
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("trigger"); // seconds
        QTest::addColumn<QString>("amount");
        const QString name = u"Fiera – stand di Łukasz Nowak"_s;
        QTest::newRow("nothing edited") << -1 << QString() << name << u"2024-03-11"_s << u"2024-03-15"_s << -900
                                        << QString();
        QTest::newRow("a field the event has not")
            << int(A::amount) << u"150,00"_s << name << u"2024-03-11"_s << u"2024-03-15"_s << -900 << u"150,00"_s;
        QTest::newRow("the purpose") << int(A::purpose) << u"Fiera di Verona"_s << u"Fiera di Verona"_s
                                     << u"2024-03-11"_s << u"2024-03-15"_s << -900 << QString();
        QTest::newRow("moved, its four days kept")
            << int(A::date) << u"18/03/2024"_s << name << u"2024-03-18"_s << u"2024-03-22"_s << -900 << QString();
        QTest::newRow("the notice") << int(A::noticeDays) << u"2"_s << name << u"2024-03-11"_s << u"2024-03-15"_s
                                    << -2 * 86400 << QString();
    }
    void foreignEventGoesOutWhole()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, summary);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(int, trigger);
        QFETCH(QString, amount);
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QByteArray description = QByteArray("Montaggio dello stand il primo giorno. ").repeated(10);
        const QByteArray phone = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.4//EN\r\n"
                                 "BEGIN:VEVENT\r\nUID:fiera-2024@telefono.example\r\nDTSTAMP:20240301T080000Z\r\n"
                                 "DTSTART;VALUE=DATE:20240311\r\nDTEND;VALUE=DATE:20240315\r\n"
                                 "SUMMARY:Fiera – stand di Łukasz Nowak\r\nDESCRIPTION:"
            + description
            + "\r\nATTENDEE;CN=Łukasz Nowak;PARTSTAT=ACCEPTED:mailto:lukasz@example.pl\r\n"
              "X-APPLE-TRAVEL-ADVISORY-BEHAVIOR:AUTOMATIC\r\n"
              "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Promemoria\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n";
        const Plan plan = planCalendarFile(phone, March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Add), 1);
        // The preview names what the card shows cut or changed.
        QVERIFY2(entryLine(plan.entries[0]).contains(u"Causale, Note"_s), qPrintable(entryLine(plan.entries[0])));
        applyImport(plan);
        if (field >= 0) {
            AppointmentRecord card = AppointmentRecord::fromBytes(archiveRecords(Archive::Appointments)[0].constData());
            card.setText(A(field), value);
            archive::rewriteAt(archivePath(Archive::Appointments), AppointmentRecord::Size, 1, card.data());
        }
        const QString ics = files.filePath(u"agenda.ics"_s);
        QCOMPARE(exportCalendar(ics, QDateTime::currentDateTimeUtc()).written, 1);
        const QString script = uR"(
import sys, json, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
out = []
for ev in cal.walk('VEVENT'):
    out.append({'uid': str(ev['uid']), 'summary': str(ev['summary']), 'description': str(ev['description']),
        'start': ev.decoded('dtstart').isoformat(), 'end': ev.decoded('dtend').isoformat() if 'dtend' in ev
            else (ev.decoded('dtstart') + ev.decoded('duration')).isoformat(),
        'attendees': len(ev.get('attendee', [])) if isinstance(ev.get('attendee'), list) else int('attendee' in ev),
        'triggers': [int(a.decoded('trigger').total_seconds()) for a in ev.walk('VALARM')],
        'apple': str(ev.get('x-apple-travel-advisory-behavior', '')), 'amount': str(ev.get('x-quirvale-importo', ''))})
print(json.dumps({'result': out}))
)"_s;
        const QJsonArray events = python(script, ics).toArray();
        QCOMPARE(events.size(), 1);
        const QJsonObject e = events[0].toObject();
        QCOMPARE(e[u"uid"_s].toString(), u"fiera-2024@telefono.example"_s);
        QCOMPARE(e[u"summary"_s].toString(), summary);
        QCOMPARE(e[u"description"_s].toString(), QString::fromUtf8(description));
        QCOMPARE(e[u"start"_s].toString(), start);
        QCOMPARE(e[u"end"_s].toString(), end);
        QCOMPARE(e[u"attendees"_s].toInt(), 1);
        QCOMPARE(e[u"triggers"_s].toArray(), QJsonArray { trigger });
        QCOMPARE(e[u"apple"_s].toString(), u"AUTOMATIC"_s);
        QCOMPARE(e[u"amount"_s].toString(), amount);
        // Read back, the file changes nothing.
        const Plan again = planCalendarFile(readFile(ics), March2024);
        QCOMPARE(again.count(PlanEntry::Action::Update) + again.count(PlanEntry::Action::Add), 0);
    }

    // A phone's card the same way: the company beside the name, a fourth
    // telephone, the photo, a PEC and notes longer than their fields and a
    // name outside the archive's characters go out again as they came.
    void foreignCardGoesOutWhole_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QStringList>("tels");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("email"); // the first plain e-mail
        const QString name = u"Nowak Łukasz"_s;
        const QStringList tels
            = { u"+48 22 555 0101"_s, u"+48 22 555 0102"_s, u"+48 600 000 001"_s, u"+48 600 000 002"_s };
        const QString first = u"lukasz@example.pl"_s;
        QTest::newRow("nothing edited") << -1 << QString() << name << tels << QString() << first;
        QTest::newRow("the zone") << int(C::zone) << u"Nord-Est"_s << name << tels << u"Nord-Est"_s << first;
        // The card is read in order: the new e-mail stands where the old one did.
        QTest::newRow("the first of two e-mails")
            << int(C::email) << u"nowak@example.it"_s << name << tels << QString() << u"nowak@example.it"_s;
        QStringList home = tels;
        home[0] = u"06 1234567"_s;
        std::sort(home.begin(), home.end());
        QTest::newRow("the home telephone")
            << int(C::homePhone) << u"06 1234567"_s << name << home << QString() << first;
        QTest::newRow("the name") << int(C::fullName) << u"Nowak Lukasz"_s << u"Nowak Lukasz"_s << tels << QString()
                                  << first;
    }
    void foreignCardGoesOutWhole()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, fn);
        QFETCH(QStringList, tels);
        QFETCH(QString, zone);
        QFETCH(QString, email);
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QByteArray note
            = QByteArray("Incontrato alla fiera di Verona, interessato al servizio completo. ").repeated(5);
        const QByteArray pec = "amministrazione.nowak.consulting@pec.example.it";
        const QByteArray phone = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Google Inc//Google Contacts//EN\r\n"
                                 "UID:nowak-1@telefono.example\r\nFN:Nowak Łukasz\r\nN:Nowak;Łukasz;;;\r\n"
                                 "ORG:Nowak Consulting Sp. z o.o.\r\n"
                                 "TEL;TYPE=HOME:+48 22 555 0101\r\nTEL;TYPE=WORK:+48 22 555 0102\r\n"
                                 "TEL;TYPE=CELL:+48 600 000 001\r\nTEL;TYPE=CELL:+48 600 000 002\r\n"
                                 "EMAIL:lukasz@example.pl\r\nEMAIL:biuro@example.pl\r\nEMAIL;TYPE=X-PEC:"
            + pec + "\r\nNOTE:" + QByteArray(note).replace(",", "\\,")
            + "\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/"
              "2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRof\r\n"
              " Hh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/2wBDAQkJCQwLDBgNDRgyIRwhMjIy\r\n"
              "X-SOCIALPROFILE;TYPE=linkedin:https://linkedin.example/in/nowak\r\nEND:VCARD\r\n";
        const Plan plan = planContactsFile(phone);
        QCOMPARE(plan.count(PlanEntry::Action::Add), 1);
        QVERIFY2(entryLine(plan.entries[0]).contains(u"Cognome e nome, PEC, Note"_s),
            qPrintable(entryLine(plan.entries[0])));
        applyImport(plan);
        if (field >= 0) {
            ContactRecord card = ContactRecord::fromBytes(archiveRecords(Archive::Contacts)[0].constData());
            card.setText(C(field), value);
            archive::rewriteAt(archivePath(Archive::Contacts), ContactRecord::Size, 1, card.data());
        }
        const QString vcf = files.filePath(u"rubrica.vcf"_s);
        QCOMPARE(exportContacts(vcf, {}).written, 1);
        const QString script = uR"(
import sys, json, vobject
out = []
for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    out.append({'uid': card.uid.value, 'fn': card.fn.value, 'family': card.n.value.family,
        'org': card.org.value[0], 'tel': sorted(t.value for t in card.tel_list),
        'email': sorted(e.value for e in card.email_list), 'note': card.note.value,
        'first': [e.value for e in card.email_list if 'X-PEC' not in e.params.get('TYPE', [])][0],
        'photo': len(card.photo.value) if 'photo' in card.contents else 0,
        'social': card.contents['x-socialprofile'][0].value if 'x-socialprofile' in card.contents else '',
        'zone': card.contents['x-quirvale-zona'][0].value if 'x-quirvale-zona' in card.contents else ''})
print(json.dumps({'result': out}))
)"_s;
        const QJsonArray cards = python(script, vcf).toArray();
        QCOMPARE(cards.size(), 1);
        const QJsonObject c = cards[0].toObject();
        QCOMPARE(c[u"uid"_s].toString(), u"nowak-1@telefono.example"_s);
        QCOMPARE(c[u"fn"_s].toString(), fn);
        QCOMPARE(c[u"family"_s].toString(), u"Nowak"_s);
        QCOMPARE(c[u"org"_s].toString(), u"Nowak Consulting Sp. z o.o."_s);
        QCOMPARE(c[u"tel"_s].toArray(), QJsonArray::fromStringList(tels));
        QStringList emails = { email, u"biuro@example.pl"_s, QString::fromLatin1(pec) };
        emails.sort();
        QCOMPARE(c[u"email"_s].toArray(), QJsonArray::fromStringList(emails));
        QCOMPARE(c[u"first"_s].toString(), email);
        QCOMPARE(c[u"note"_s].toString(), QString::fromUtf8(note));
        QVERIFY(c[u"photo"_s].toInt() > 50);
        QCOMPARE(c[u"social"_s].toString(), u"https://linkedin.example/in/nowak"_s);
        QCOMPARE(c[u"zone"_s].toString(), zone);
        const Plan again = planContactsFile(readFile(vcf));
        QCOMPARE(again.count(PlanEntry::Action::Update) + again.count(PlanEntry::Action::Add), 0);
    }

    // The office's own all-day appointment stays a day through an export,
    // an import elsewhere and an export from there.
    void allDayStaysAllDay()
    {
        QTemporaryDir files;
        const QString first = files.filePath(u"primo.ics"_s);
        const QString second = files.filePath(u"secondo.ics"_s);
        AppointmentRecord day = fullAppointment();
        for (A f : { A::hour, A::minute, A::time })
            day.setText(f, QString());
        {
            ProgramFolderFixture office;
            archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, day.data());
            exportCalendar(first, QDateTime::currentDateTimeUtc());
        }
        ProgramFolderFixture elsewhere;
        applyImport(planCalendarFile(readFile(first), March2024));
        QCOMPARE(archiveRecords(Archive::Appointments), QList<QByteArray> { bytesOf(day) });
        exportCalendar(second, QDateTime::currentDateTimeUtc());
        const QByteArray out = readFile(second);
        QVERIFY2(out.contains("DTSTART;VALUE=DATE:20240305\r\n"), out.constData());
        QVERIFY(out.contains("DURATION:P1D\r\n"));
    }

    // Cards without UID, as phones write vCard 2.1: edited in the office and
    // imported again from the same file, each is the same card, not a second.
    void cardsWithoutUidAreKnownAgain()
    {
        ProgramFolderFixture folder;
        const QByteArray file = fixture(u"phone21.vcf"_s);
        QCOMPARE(applyImport(planContactsFile(file)).added, 2);
        ContactRecord card = ContactRecord::fromBytes(archiveRecords(Archive::Contacts)[0].constData());
        card.setText(C::zone, u"Centro"_s);
        card.setText(C::officePhone, u"06 7654321"_s);
        archive::rewriteAt(archivePath(Archive::Contacts), ContactRecord::Size, 1, card.data());
        const Plan plan = planContactsFile(file);
        QCOMPARE(plan.count(PlanEntry::Action::Add) + plan.count(PlanEntry::Action::Update), 0);
        applyImport(plan);
        QCOMPARE(archiveRecords(Archive::Contacts).size(), 2);
        QCOMPARE(ContactView(archiveRecords(Archive::Contacts)[0].constData()).text(C::zone), u"Centro"_s);
    }

    // An item goes out under the UID it came with: a calendar that sent an
    // event gets it back as the same event, not as a second one.
    void exportKeepsTheUidAnItemCameWith()
    {
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QByteArray event = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\n"
                                 "UID:riunione-1@telefono.example\r\nDTSTAMP:20240301T080000Z\r\n"
                                 "DTSTART;TZID=Europe/Rome:20240305T093000\r\nSUMMARY:Riunione\r\n"
                                 "END:VEVENT\r\nEND:VCALENDAR\r\n";
        applyImport(planCalendarFile(event, March2024));
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
        const QString ics = files.filePath(u"agenda.ics"_s);
        QCOMPARE(exportCalendar(ics, QDateTime::currentDateTimeUtc()).written, 2);
        const QByteArray file = readFile(ics);
        QCOMPARE(file.count("UID:"), 2);
        QCOMPARE(file.count("UID:riunione-1@telefono.example\r\n"), 1);
        // The export read back changes nothing and adds nothing.
        const Plan plan = planCalendarFile(file, March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Update) + plan.count(PlanEntry::Action::Add), 0);
    }

    // A backup put back, then new appointments: the UIDs of the records
    // that the restore took away now name nothing, and an import of a file
    // exported before the restore writes over none of the new records.
    void afterARestoreAnImportWritesOverNothing_data()
    {
        QTest::addColumn<bool>("withMap"); // the map put back with the archive, or left as it was
        QTest::newRow("archive and map put back") << true;
        QTest::newRow("archive alone put back") << false;
    }
    void afterARestoreAnImportWritesOverNothing()
    {
        QFETCH(bool, withMap);
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QString path = archivePath(Archive::Appointments);
        const QString mapPath = itemmap::ItemMap::pathOf(path);
        const auto numbered = [](int n, const QString& what) {
            AppointmentRecord record = fullAppointment();
            record.setText(A::purpose, u"%1 %2"_s.arg(what).arg(n));
            return record;
        };
        for (int n = 1; n <= 2; ++n)
            archive::append(path, AppointmentRecord::Size, numbered(n, u"Prima"_s).data());
        const QString ics = files.filePath(u"agenda.ics"_s);
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        const QByteArray savedArchive = readFile(path);
        const QByteArray savedMap = readFile(mapPath);
        for (int n = 3; n <= 7; ++n)
            archive::append(path, AppointmentRecord::Size, numbered(n, u"Perso"_s).data());
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        const QByteArray beforeRestore = readFile(ics);

        // The restore, then five new appointments in the places of the lost ones.
        writeFile(path, savedArchive);
        if (withMap)
            writeFile(mapPath, savedMap);
        for (int n = 3; n <= 7; ++n)
            archive::append(path, AppointmentRecord::Size, numbered(n, u"Nuovo"_s).data());
        const QList<QByteArray> newRecords = archiveRecords(Archive::Appointments);

        const Plan plan = planCalendarFile(beforeRestore, March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Update), 0);
        QCOMPARE(plan.count(PlanEntry::Action::Add), 5); // the lost ones come back
        applyImport(plan);
        const QList<QByteArray> records = archiveRecords(Archive::Appointments);
        QCOMPARE(records.size(), 12);
        QCOMPARE(records.first(7), newRecords);
        for (int n = 8; n <= 12; ++n)
            QVERIFY(AppointmentView(records[n - 1].constData()).text(A::purpose).startsWith(u"Perso "_s));
        // Exported now, every record has a UID of its own.
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        const QByteArray after = readFile(ics);
        QSet<QByteArray> uids;
        for (const QByteArray& line : after.split('\n'))
            if (line.startsWith("UID:"))
                uids.insert(line);
        QCOMPARE(uids.size(), 12);
    }

    void folderIdentityIsSharedAndKept()
    {
        ProgramFolderFixture folder;
        const QString first = folderIdentity(programFolder::path());
        QVERIFY(!first.isEmpty());
        QCOMPARE(folderIdentity(programFolder::path()), first);
        QCOMPARE(QString::fromLatin1(readFile(folder.file(programFolder::Identity))).trimmed(), first);
    }

    // Files planted in a shared folder: an export replaces a link in its
    // place and never writes where it leads; a FIFO under the name of the
    // folder's identity, its imported UIDs or the file to import is refused
    // at once instead of freezing the program.
    void plantedLinksAndFifosAreNeverFollowed()
    {
        ProgramFolderFixture folder;
        QTemporaryDir outside;
        const QString victim = outside.filePath(u"altro.txt"_s);
        writeFile(victim, "da non toccare");
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
        const QString ics = folder.file(u"agenda.ics"_s);
        QVERIFY(QFile::link(victim, ics));
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        QCOMPARE(readFile(victim), QByteArray("da non toccare"));
        QVERIFY(!QFileInfo(ics).isSymLink());
        QVERIFY(readFile(ics).startsWith("BEGIN:VCALENDAR"));

        const QString fifo = folder.file(u"rubrica.vcf"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(ReadFailure, readImportFile(fifo));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(itemmap::ItemMap::pathOf(archivePath(Archive::Contacts))).constData(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(AccessFailure, loadItemMap(Archive::Contacts));
        QVERIFY(QFile::remove(folder.file(programFolder::Identity))); // made by the export
        QCOMPARE(::mkfifo(QFile::encodeName(folder.file(programFolder::Identity)).constData(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(AccessFailure, folderIdentity(programFolder::path()));
    }

    void contactAlreadyPresentIsReported_data()
    {
        QTest::addColumn<QString>("taxCode");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("reason");
        QTest::newRow("same tax code") << u"DLCMCN70A31D704X"_s << u"altra@example.it"_s << u"stesso codice fiscale"_s;
        QTest::newRow("same e-mail") << u""_s << u"marco.deluca@example.it"_s << u"stessa e-mail"_s;
    }
    void contactAlreadyPresentIsReported()
    {
        QFETCH(QString, taxCode);
        QFETCH(QString, email);
        QFETCH(QString, reason);
        ProgramFolderFixture folder;
        archive::append(archivePath(Archive::Contacts), ContactRecord::Size, fullContact().data());
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:De Luca Marco Antonio\r\nEMAIL:" + email.toUtf8()
            + "\r\nX-CODICE-FISCALE:" + taxCode.toUtf8() + "\r\nTEL;TYPE=CELL:1\r\nEND:VCARD\r\n";
        const Plan plan = planContactsFile(card);
        QCOMPARE(plan.entries.size(), 1);
        QCOMPARE(plan.entries[0].action, PlanEntry::Action::Skip);
        QVERIFY2(plan.entries[0].reason.contains(reason), qPrintable(plan.entries[0].reason));
    }

    // A file that cannot be imported says why, by name: never "danneggiato"
    // for a file that is missing, empty or too big. UTF-16 is read.
    void importFilesThatCannotBeReadSayWhy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << u"missing"_s << u"non esiste"_s;
        QTest::newRow("empty") << u"empty"_s << u"è vuoto"_s;
        QTest::newRow("blank") << u"blank"_s << u"è vuoto"_s;
        QTest::newRow("folder") << u"folder"_s << u"una cartella"_s;
        QTest::newRow("too big") << u"big"_s << u"è troppo grande per essere importato (oltre 64 MB)"_s;
    }
    void importFilesThatCannotBeReadSayWhy()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"rubrica.vcf"_s);
        if (kind == u"empty"_s)
            writeFile(path, {});
        else if (kind == u"blank"_s)
            writeFile(path, "\r\n  \r\n");
        else if (kind == u"folder"_s)
            QVERIFY(QDir().mkpath(path));
        QFile big(path);
        if (kind == u"big"_s)
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(65 * 1024 * 1024));
        big.close();
        try {
            readImportFile(path);
            QFAIL("the file was taken");
        } catch (const ReadFailure& failure) {
            QVERIFY2(failure.message().contains(message), qPrintable(failure.message()));
            QVERIFY(failure.message().contains(path));
        }
    }
    void aFileInUtf16IsRead_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("little endian") << false;
        QTest::newRow("big endian") << true;
    }
    void aFileInUtf16IsRead()
    {
        QFETCH(bool, bigEndian);
        ProgramFolderFixture folder;
        const QString card = u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Città;André;;;\r\nFN:André Città\r\nEND:VCARD\r\n"_s;
        QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : card) {
            const char high = char(c.unicode() >> 8);
            const char low = char(c.unicode() & 0xFF);
            bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
        }
        QTemporaryDir dir;
        writeFile(dir.filePath(u"rubrica.vcf"_s), bytes);
        const Plan plan = planContactsFile(readImportFile(dir.filePath(u"rubrica.vcf"_s)));
        QCOMPARE(plan.entries.size(), 1);
        QCOMPARE(plan.entries[0].item.label, u"Città André"_s);
    }

    void damagedFilesNameTheLine_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("problem");
        QTest::newRow("event never closed") << u"damaged-unclosed.ics"_s << 13 << u"END:VCALENDAR"_s;
        QTest::newRow("not a calendar") << u"damaged-binary.ics"_s << 1 << u"nome di una proprietà"_s;
        QTest::newRow("calendar as address book") << u"allday.ics"_s << 1 << u"BEGIN:VCARD"_s;
    }

    // Damage inside one item costs that item (a value that cannot be read)
    // or that line (a line that is no property), named with its line in
    // the preview; the rest of the file is read.
    void damageInsideAnItemIsNamedWithItsLine_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("said"); // in the preview line of the item
        QTest::newRow("wrong date") << u"damaged-date.ics"_s << u"alla riga 6, la data \"2024-05-20 09:00\""_s;
        QTest::newRow("month 25") << u"damaged-month.ics"_s << u"alla riga 7, la data \"20242520T090000\""_s;
        QTest::newRow("wrong repeat rule") << u"damaged-rrule.ics"_s << u"alla riga 6, la regola di ripetizione"_s;
        QTest::newRow("line without colon") << u"damaged-nocolon.vcf"_s << u"(riga 9 non letta)"_s;
    }
    void damageInsideAnItemIsNamedWithItsLine()
    {
        QFETCH(QString, file);
        QFETCH(QString, said);
        ProgramFolderFixture folder;
        const Plan plan
            = file.endsWith(u".vcf"_s) ? planContactsFile(fixture(file)) : planCalendarFile(fixture(file), March2024);
        QStringList lines;
        for (const PlanEntry& entry : plan.entries)
            lines.append(entryLine(entry));
        QVERIFY2(lines.join(u'\n').contains(said), qPrintable(lines.join(u'\n')));
    }
    void damagedFilesNameTheLine()
    {
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, problem);
        ProgramFolderFixture folder;
        const bool contacts = file.endsWith(u".vcf"_s) || QByteArray(QTest::currentDataTag()).contains("address");
        try {
            if (contacts)
                planContactsFile(fixture(file));
            else
                planCalendarFile(fixture(file), March2024);
            QFAIL("the damage went unnoticed");
        } catch (const FileDamage& damage) {
            QCOMPARE(damage.line(), line);
            QVERIFY2(damage.message().contains(problem), qPrintable(damage.message()));
            QVERIFY(damage.message().startsWith(u"Il file è danneggiato alla riga %1"_s.arg(line)));
        }
        QCOMPARE(archive::count(archivePath(contacts ? Archive::Contacts : Archive::Appointments),
                     contacts ? ContactRecord::Size : AppointmentRecord::Size),
            0);
    }

    void failedImportTakesBackEverything_data()
    {
        QTest::addColumn<int>("failingWrite"); // which write call fails
        QTest::newRow("the rewrite") << 1;
        QTest::newRow("the appends after a rewrite") << 2;
    }
    void failedImportTakesBackEverything()
    {
        QFETCH(int, failingWrite);
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QString ics = files.filePath(u"agenda.ics"_s);
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        QByteArray file = readFile(ics);
        file.replace("SUMMARY:Causa", "SUMMARY:Modificata: Causa");
        file.replace("END:VCALENDAR\r\n", "");
        file += fixture(u"allday.ics"_s).sliced(fixture(u"allday.ics"_s).indexOf("BEGIN:VEVENT"));
        const Plan plan = planCalendarFile(file, March2024);
        QCOMPARE(plan.count(PlanEntry::Action::Update), 1);
        QCOMPARE(plan.count(PlanEntry::Action::Add), 1);
        const QByteArray before = readFile(archivePath(Archive::Appointments));

        int calls = 0;
        ArchiveFile::setWriteCall([&](int fd, const char* bytes, size_t size, off_t offset) -> ssize_t {
            if (++calls == failingWrite) {
                errno = ENOSPC;
                return -1;
            }
            return ::pwrite(fd, bytes, size, offset);
        });
        bool failed = false;
        try {
            applyImport(plan);
        } catch (const AccessFailure&) {
            failed = true;
        }
        ArchiveFile::setWriteCall({});
        QVERIFY(failed);
        QCOMPARE(readFile(archivePath(Archive::Appointments)), before);
        // The map still names the record as it is, and nothing more.
        const itemmap::ItemMap map = loadItemMap(Archive::Appointments);
        QCOMPARE(map.size(), 1);
        QVERIFY(map.certain(1, before.constData()));
        // And the same plan goes through once the disk has room again.
        const ImportOutcome outcome = applyImport(plan);
        QCOMPARE(outcome.added + outcome.updated, 2);
    }

    void planOutdatedByAnotherWorkstation()
    {
        ProgramFolderFixture folder;
        QTemporaryDir files;
        const QString ics = files.filePath(u"agenda.ics"_s);
        archive::append(archivePath(Archive::Appointments), AppointmentRecord::Size, fullAppointment().data());
        exportCalendar(ics, QDateTime::currentDateTimeUtc());
        QByteArray file = readFile(ics);
        file.replace("SUMMARY:Causa", "SUMMARY:Modificata: Causa");
        const Plan plan = planCalendarFile(file, March2024);
        AppointmentRecord saved = fullAppointment();
        saved.setText(A::place, u"Altrove"_s);
        archive::rewriteAt(archivePath(Archive::Appointments), AppointmentRecord::Size, 1, saved.data());
        QVERIFY_THROWS_EXCEPTION(PlanOutdated, applyImport(plan));
        QCOMPARE(archiveRecords(Archive::Appointments), QList<QByteArray> { bytesOf(saved) });
    }
};

QTEST_GUILESS_MAIN(TestExchangeRules)
#include "tst_exchangerules.moc"
