#include "storage/fixedtext.h"
#include "storage/texts.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestTexts : public QObject {
    Q_OBJECT

private slots:
    void amount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("empty") << u""_s << u"0,00"_s;
        QTest::newRow("blanks") << u"   "_s << u"0,00"_s;
        QTest::newRow("whole") << u"1250"_s << u"1250,00"_s;
        QTest::newRow("leading comma") << u",5"_s << u"0,50"_s;
        QTest::newRow("rounds up to whole") << u"2,999"_s << u"3,00"_s;
        QTest::newRow("two commas") << u"1,2,3"_s << u"0,00"_s;
        QTest::newRow("seven") << u"7"_s << u"7,00"_s;
        QTest::newRow("one decimal") << u"12,5"_s << u"12,50"_s;
        QTest::newRow("three decimals") << u"3,456"_s << u"3,46"_s;
        QTest::newRow("half of a cent, binary trap") << u"1,005"_s << u"1,01"_s;
        QTest::newRow("half of a cent") << u"0,125"_s << u"0,13"_s;
        QTest::newRow("just under half") << u"0,1249999"_s << u"0,12"_s;
        QTest::newRow("carry through nines") << u"999,995"_s << u"1000,00"_s;
        QTest::newRow("trailing comma") << u"5,"_s << u"5,00"_s;
        QTest::newRow("comma alone") << u","_s << u"0,00"_s;
        QTest::newRow("leading zeros") << u"007,1"_s << u"7,10"_s;
        QTest::newRow("fifteen digits stay exact") << u"123456789012345"_s << u"123456789012345,00"_s;
        QTest::newRow("letters") << u"12a"_s << u"0,00"_s;
        QTest::newRow("point is not the separator") << u"12.5"_s << u"0,00"_s;
    }
    void amount()
    {
        QFETCH(QString, typed);
        QFETCH(QString, normalised);
        QCOMPARE(texts::normaliseAmount(typed), normalised);
    }

    void amountCents()
    {
        QCOMPARE(texts::amountToCents(u"12,50"_s), 1250);
        QCOMPARE(texts::amountToCents(u"1,005"_s), 101);
        QCOMPARE(texts::amountToCents(u"x"_s), std::nullopt);
        QCOMPARE(texts::centsToAmount(5), u"0,05"_s);
        QCOMPARE(texts::centsToAmount(123456), u"1234,56"_s);
    }

    // Amounts added one after the other; `times` repeats the whole list.
    void amountTotal_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<int>("times");
        QTest::addColumn<QString>("total");
        QTest::addColumn<int>("refused");
        QTest::newRow("two amounts") << QStringList { u"10,50"_s, u"2,25"_s } << 1 << u"12,75"_s << 0;
        QTest::newRow("whole number") << QStringList { u"3"_s } << 1 << u"3,00"_s << 0;
        QTest::newRow("tenths, binary trap") << QStringList { u"0,10"_s, u"0,20"_s } << 1 << u"0,30"_s << 0;
        QTest::newRow("only the total is rounded") << QStringList { u"0,125"_s, u"0,125"_s } << 1 << u"0,25"_s << 0;
        QTest::newRow("half a cent rounds up") << QStringList { u"0,005"_s } << 1 << u"0,01"_s << 0;
        QTest::newRow("none") << QStringList {} << 1 << u"0,00"_s << 0;
        QTest::newRow("empty and blanks count as nothing")
            << QStringList { u"5,00"_s, u""_s, u"  "_s } << 1 << u"5,00"_s << 0;
        QTest::newRow("not amounts") << QStringList { u"5,00"_s, u"abc"_s, u"1.000,00"_s, u","_s, u"--1"_s, u"-"_s,
            u"1-"_s } << 1 << u"5,00"_s
                                     << 6;
        QTest::newRow("a negative amount is taken off")
            << QStringList { u"10,50"_s, u" -5,00 "_s } << 1 << u"5,50"_s << 0;
        // A debt rounds as the same credit would: halves away from zero.
        QTest::newRow("negative total of whole cents") << QStringList { u"-5,00"_s } << 1 << u"-5,00"_s << 0;
        QTest::newRow("negative total, third decimal 5") << QStringList { u"-5,005"_s } << 1 << u"-5,01"_s << 0;
        QTest::newRow("negative total, third decimal 4") << QStringList { u"-5,004"_s } << 1 << u"-5,00"_s << 0;
        QTest::newRow("negative of a cent") << QStringList { u"-0,004"_s, u"-0,006"_s } << 1 << u"-0,01"_s << 0;
        QTest::newRow("negative below half a cent") << QStringList { u"-0,004"_s } << 1 << u"0,00"_s << 0;
        QTest::newRow("borrow through every group")
            << QStringList { u"1000000000000000000000000000000000000"_s, u"-0,0000000000000001"_s } << 1
            << u"1000000000000000000000000000000000000,00"_s << 0;
        QTest::newRow("more taken than added")
            << QStringList { u"0,25"_s, u"-1000000000000000000,50"_s } << 1 << u"-1000000000000000000,25"_s << 0;
        QTest::newRow("a double would drift") << QStringList { u"99999,99"_s } << 100000 << u"9999999000,00"_s << 0;
        QTest::newRow("past 64-bit cents")
            << QStringList { u"999999999999,99"_s } << 100000 << u"99999999999999000,00"_s << 0;
        QTest::newRow("decimals carry through eighteen nines")
            << QStringList { u"999999999999999999,5"_s, u"0,5"_s } << 1 << u"1000000000000000000,00"_s << 0;
    }
    void amountTotal()
    {
        QFETCH(QStringList, amounts);
        QFETCH(int, times);
        QFETCH(QString, total);
        QFETCH(int, refused);
        texts::AmountTotal sum;
        int notAdded = 0;
        for (int i = 0; i < times; ++i) {
            for (const QString& amount : amounts)
                notAdded += sum.add(amount) ? 0 : 1;
        }
        QCOMPARE(sum.text(), total);
        QCOMPARE(notAdded, refused);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("leap day") << u"29/02/2024"_s << QDate(2024, 2, 29);
        QTest::newRow("fifth of March") << u"05/03/2024"_s << QDate(2024, 3, 5);
        QTest::newRow("short day and month") << u"5/3/2024"_s << QDate(2024, 3, 5);
        QTest::newRow("no leap day") << u"29/02/2023"_s << QDate();
        QTest::newRow("month 13") << u"01/13/2024"_s << QDate();
        QTest::newRow("empty") << u""_s << QDate();
        QTest::newRow("two-digit year") << u"01/01/24"_s << QDate();
        QTest::newRow("letters") << u"aa/bb/cccc"_s << QDate();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        const auto parsed = texts::parseDate(text);
        QCOMPARE(parsed.value_or(QDate()), date);
        if (date.isValid())
            QCOMPARE(texts::formatDate(*parsed), QDate(date).toString(u"dd/MM/yyyy"_s));
    }

    void timesAndDays()
    {
        QCOMPARE(texts::formatTime(9, 5), u"09:05"_s);
        QVERIFY(texts::isHourText(u"23"_s));
        QVERIFY(!texts::isHourText(u"24"_s));
        QVERIFY(!texts::isHourText(u"7"_s));
        QVERIFY(texts::isMinuteText(u"59"_s));
        QVERIFY(!texts::isMinuteText(u"60"_s));
        QCOMPARE(texts::parseDays(u"120"_s), 120);
        QCOMPARE(texts::parseDays(u"1a"_s), std::nullopt);
        QCOMPARE(texts::parseDays(u""_s), std::nullopt);
    }

    void trimPadFold()
    {
        QCOMPARE(texts::trim(u"\t  Verdi \r\n\x01"_s), u"Verdi"_s);
        QCOMPARE(texts::trim(u"\u00a0x\u00a0"_s), u"\u00a0x\u00a0"_s); // no-break space is text
        QCOMPARE(texts::pad(u"abc"_s, 5), u"abc  "_s);
        QCOMPARE(texts::pad(u"abcdef"_s, 4), u"abcd"_s);
        QCOMPARE(texts::lowerAZ(u"ROSSI ÈÀ Ä"_s), u"rossi ÈÀ Ä"_s);
    }

    void codePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("accents") << u"àèéìòù"_s << QByteArray("\xE0\xE8\xE9\xEC\xF2\xF9");
        QTest::newRow("euro and quotes") << u"€ “x” …"_s << QByteArray("\x80 \x93x\x94 \x85");
        QTest::newRow("letter with a base in the page") << u"ő"_s << QByteArray("o");
        QTest::newRow("letter without one") << u"Ł"_s << QByteArray("?");
        QTest::newRow("emoji is one mark") << u"a😀b"_s << QByteArray("a?b");
        QTest::newRow("cyrillic") << u"Жк"_s << QByteArray("??");
    }
    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(cp1252::encode(text), bytes);
    }

    void undefinedBytesRoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(cp1252::encode(cp1252::decode(all.constData(), all.size())), all);
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"
