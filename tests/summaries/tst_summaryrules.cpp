#include "storage/archivefile.h"
#include "storage/listrows.h"
#include "summaries/summaryrules.h"
#include "support/folders.h"
#include "support/layouts.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
namespace at = testsupport::appointmentBytes;

namespace {

// One field: its length byte, then its Windows-1252 bytes.
void put(QByteArray& record, int offset, const QByteArray& text)
{
    record[offset] = char(text.size());
    record.replace(offset + 1, text.size(), text);
}

QByteArray appointment(const QByteArray& date, const QByteArray& time, const QByteArray& purpose,
    const QByteArray& contact, const QByteArray& amount = "0,00", bool fulfilled = false)
{
    QByteArray r(at::RecordSize, '\0');
    put(r, at::Date, date);
    put(r, at::Hour, time.left(2));
    put(r, at::Minute, time.mid(3, 2));
    put(r, at::Time, time);
    put(r, at::NoticeDays, "0");
    put(r, at::CommitmentType, "Riunione");
    put(r, at::Purpose, purpose);
    put(r, at::Contact, contact);
    put(r, at::Amount, amount);
    put(r, at::Fulfilled, fulfilled ? "S\xEC" : "No");
    return r;
}

} // namespace

class TestSummaryRules : public QObject {
    Q_OBJECT

    testsupport::ProgramFolderFixture folder;
    QString path;

    summaries::Summary summary(
        const QString& contact, const QString& purpose, const QDate& start, const QDate& end) const
    {
        summaries::Summary s = summaries::summarise(path, { contact, purpose, start, end });
        lists::sortRows(s.rows, lists::LineOrder::CaseFoldAZ); // as the summary shows them
        return s;
    }

private slots:
    void initTestCase()
    {
        path = folder.file(u"Archivio_Appuntamenti.qzv"_s);
        QByteArray riunione = appointment("10/03/2024", "10:00", "riunione", "Rossi Mario", "12,50");
        put(riunione, at::Mobile, "333 1234567");
        riunione[at::Amount + 6] = '9'; // leftover bytes after the amount's length
        riunione[at::Amount + 7] = '9';
        testsupport::writeFile(path,
            appointment("01/03/2024", "09:00", "inizio", "Rossi Mario", "10,00")
                + appointment("29/02/2024", "18:00", "prima", "Rossi Mario")
                + appointment("31/03/2024", "23:59", "fine", "ROSSI ANNA", "0,00", true)
                + appointment("01/04/2024", "00:00", "dopo", "Rossi Mario")
                + appointment("15/03/2023", "10:00", "anno-prima", "Rossi Mario")
                + appointment("15/03/2025", "10:00", "anno-dopo", "Rossi Mario")
                + appointment("15/03/2024", "10:00", "fattura-marzo", "Bianchi Anna")
                + appointment("15/03/2024", "08:30", "fattura-rossi", "Mario Rossi")
                + appointment("20/03/2024", "12:00", "nicolo", "NICOL\xD2 Verdi") + riunione
                + appointment("16/03/2024", "11:00", "telefonata", "Verdi  Luca")
                + appointment("31/02/2024", "10:00", "data-errata", "Rossi Mario")
                + appointment("05/03/2024", "10:00", "importo-errato", "Verdi Luca", "1.000,00")
                + appointment("05/06/2024", "10:00", "fuori-periodo", "Rossi Mario", "abc"));
    }

    void selection_data()
    {
        QTest::addColumn<QString>("contact");
        QTest::addColumn<QString>("purpose");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("purposes");
        QTest::addColumn<int>("unreadable");
        const QDate march(2024, 3, 1), endOfMarch(2024, 3, 31);
        const QStringList wholeMarch = { u"inizio"_s, u"riunione"_s, u"fattura-rossi"_s, u"fattura-marzo"_s,
            u"telefonata"_s, u"nicolo"_s, u"fine"_s };
        QTest::newRow("march, both boundaries, fulfilled too")
            << u""_s << u""_s << march << endOfMarch << wholeMarch << 2;
        QTest::newRow("whole year") << u""_s << u""_s << QDate(2024, 1, 1) << QDate(2024, 12, 31)
                                    << (QStringList { u"prima"_s } + wholeMarch + QStringList { u"dopo"_s }) << 3;
        QTest::newRow("one day") << u""_s << u""_s << QDate(2024, 3, 15) << QDate(2024, 3, 15)
                                 << QStringList { u"fattura-rossi"_s, u"fattura-marzo"_s } << 1;
        QTest::newRow("part of the name, any case")
            << u"ross"_s << u""_s << march << endOfMarch
            << QStringList { u"inizio"_s, u"riunione"_s, u"fattura-rossi"_s, u"fine"_s } << 1;
        QTest::newRow("capitals typed") << u"ROSS"_s << u""_s << march << endOfMarch
                                        << QStringList { u"inizio"_s, u"riunione"_s, u"fattura-rossi"_s, u"fine"_s }
                                        << 1;
        QTest::newRow("accented letter not folded")
            << u"nicolò"_s << u""_s << march << endOfMarch << QStringList {} << 0;
        QTest::newRow("accented letter as stored")
            << u"NICOLÒ"_s << u""_s << march << endOfMarch << QStringList { u"nicolo"_s } << 0;
        QTest::newRow("both filters") << u"rossi"_s << u"FATTURA"_s << march << endOfMarch
                                      << QStringList { u"fattura-rossi"_s } << 0;
        QTest::newRow("blank-only contact is not in use")
            << u"   "_s << u""_s << march << endOfMarch << wholeMarch << 2;
        QTest::newRow("blank-only contact never matches")
            << u"  "_s << u"fattura"_s << march << endOfMarch << QStringList { u"fattura-rossi"_s, u"fattura-marzo"_s }
            << 0;
        QTest::newRow("trailing blank used as typed") << u"rossi "_s << u""_s << march << endOfMarch
                                                      << QStringList { u"inizio"_s, u"riunione"_s, u"fine"_s } << 1;
    }
    void selection()
    {
        QFETCH(QString, contact);
        QFETCH(QString, purpose);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, purposes);
        QFETCH(int, unreadable);
        const summaries::Summary s = summary(contact, purpose, start, end);
        QStringList found;
        for (const lists::Row& row : s.rows)
            found << row.text.mid(48, 40).trimmed();
        QCOMPARE(found, purposes);
        QCOMPARE(s.unreadable, unreadable);
    }

    void lineAndTotalOfOneRecord()
    {
        const summaries::Summary s = summary(u""_s, u"riunione"_s, QDate(2024, 3, 10), QDate(2024, 3, 10));
        QCOMPARE(s.rows.size(), 1);
        QCOMPARE(s.rows.first().text,
            u"ID: 202403101000  Data: 10/03/2024  Ora: 10:00  riunione                                  "
            u"Contatto: Rossi Mario               Cel. 333 1234567   € 12,50"_s);
        QCOMPARE(s.rows.first().position, 10);
        QCOMPARE(s.total, u"12,50"_s);
    }

    // An amount written with a minus sign (by another copy of the program or
    // an edited file) is a number: listed and taken off the total.
    void negativeAmountIsListedAndTakenOff()
    {
        const QString other = folder.file(u"negativi.qzv"_s);
        testsupport::writeFile(other,
            appointment("01/03/2024", "09:00", "fattura", "Rossi", "150,00")
                + appointment("02/03/2024", "09:00", "nota-credito", "Rossi", "-5,25")
                + appointment("03/03/2024", "09:00", "segno-doppio", "Rossi", "--5"));
        const summaries::Summary s = summaries::summarise(other, { {}, {}, QDate(2024, 3, 1), QDate(2024, 3, 31) });
        QCOMPARE(s.rows.size(), 2);
        QVERIFY(s.rows[1].text.endsWith(u"€ -5,25"_s));
        QCOMPARE(s.total, u"144,75"_s);
        QCOMPARE(s.unreadable, 1);
    }

    void missingFolderIsAnAccessFailure()
    {
        QVERIFY_THROWS_EXCEPTION(AccessFailure,
            summaries::summarise(
                folder.file(u"nessuna/cartella.qzv"_s), { {}, {}, QDate(2024, 1, 1), QDate(2024, 12, 31) }));
    }
};

QTEST_GUILESS_MAIN(TestSummaryRules)
#include "tst_summaryrules.moc"
