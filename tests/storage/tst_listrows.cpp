#include "storage/listrows.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

class TestListRows : public QObject {
    Q_OBJECT

    static lists::Rows rows(const QStringList& lines)
    {
        lists::Rows r;
        for (const QString& line : lines)
            r.append({ line, r.size() + 1 });
        return r;
    }
    static QStringList texts(const lists::Rows& rows)
    {
        QStringList t;
        for (const auto& r : rows)
            t << r.text;
        return t;
    }

private slots:
    void find_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("lastWord");
        QTest::addColumn<int>("found");
        // Lines: 0 rossi, 1 bianchi, 2 ROSSI, 3 verdi
        QTest::newRow("new word starts at the first line") << 2 << u"rossi"_s << u""_s << 0;
        QTest::newRow("no selection counts as the first") << -1 << u"verdi"_s << u""_s << 3;
        QTest::newRow("same word goes on") << 0 << u"rossi"_s << u"rossi"_s << 2;
        QTest::newRow("same word wraps") << 2 << u"rossi"_s << u"rossi"_s << 0;
        QTest::newRow("capitals typed find small letters") << 3 << u"BIANCHI"_s << u""_s << 1;
        QTest::newRow("only match is the selected line") << 1 << u"bianchi"_s << u"bianchi"_s << 1;
        QTest::newRow("no match keeps the selection") << 3 << u"gialli"_s << u""_s << 3;
        QTest::newRow("empty word matches nothing") << 2 << u""_s << u""_s << 2;
        QTest::newRow("accented letters do not fold") << 0 << u"è"_s << u""_s << 0;
    }
    void find()
    {
        QFETCH(int, selected);
        QFETCH(QString, word);
        QFETCH(QString, lastWord);
        QFETCH(int, found);
        const auto list = rows({ u"Data: rossi"_s, u"Data: bianchi È"_s, u"Data: ROSSI"_s, u"Data: verdi"_s });
        QCOMPARE(lists::findRow(list, selected, word, lastWord), found);
    }

    void sortKeepsEqualLinesInFileOrder()
    {
        auto list = rows({ u"b"_s, u"B"_s, u"a"_s, u"_x"_s, u"C"_s, u"b"_s });
        lists::sortRows(list, lists::LineOrder::CaseFoldAZ);
        QCOMPARE(texts(list), (QStringList { u"_x"_s, u"a"_s, u"b"_s, u"B"_s, u"b"_s, u"C"_s })); // '_' (95) before 'a'
        QCOMPARE(list[2].position, 1);
        QCOMPARE(list[4].position, 6);
        lists::sortRows(list, lists::LineOrder::Text);
        QCOMPARE(texts(list), (QStringList { u"B"_s, u"C"_s, u"_x"_s, u"a"_s, u"b"_s, u"b"_s }));
        QCOMPARE(list[4].position, 1);
    }

    // The orders as plain texts give them, worked out here character by character.
    static QStringList orderedAsTexts(QStringList lines, lists::LineOrder order)
    {
        const auto fold = [](QChar c) { return c >= u'A' && c <= u'Z' ? char16_t(c.unicode() + 32) : c.unicode(); };
        std::stable_sort(lines.begin(), lines.end(), [&](const QString& a, const QString& b) {
            for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
                const char16_t ca = order == lists::LineOrder::Text ? a[i].unicode() : fold(a[i]);
                const char16_t cb = order == lists::LineOrder::Text ? b[i].unicode() : fold(b[i]);
                if (ca != cb)
                    return ca < cb;
            }
            return a.size() < b.size();
        });
        return lines;
    }

    void sortMatchesTheTextOrder_data()
    {
        QTest::addColumn<QStringList>("lines");
        // Š is byte 0x8A but sorts after every byte up to 0xFF; € (0x80) after all
        // of them; U+0081 is the byte the code page leaves undefined; Ł and ő have
        // no byte at all.
        const QStringList accents = { u"Data: città"_s, u"Data: CITTÀ"_s, u"Data: citta"_s, u"Data: Città"_s,
            u"Data: è"_s, u"Data: È"_s, u"Data: e"_s, u"Data: E"_s, u"Data: ÿ"_s, u"Data: Š"_s, u"Data: š"_s,
            u"Data: € 5"_s, u"Data: \u0081"_s, u"Data: ~"_s };
        QTest::newRow("accents and the high bytes") << accents;
        QTest::newRow("case and equal lines") << QStringList { u"Rossi"_s, u"rossi"_s, u"ROSSI"_s, u"rossi"_s,
            u"Rossi"_s, u"rossI"_s, u"Bianchi"_s, u"bianchi"_s, u"_"_s, u"["_s, u"Z"_s, u"z"_s };
        QTest::newRow("blanks, prefixes and the empty line") << QStringList { u"ab"_s, u"ab "_s, u"a b"_s, u""_s,
            u" "_s, u"ab\tc"_s, u"a"_s, u"ab  "_s, u"AB"_s, u"   x"_s, u""_s };
        QTest::newRow("alike past the first eight characters")
            << QStringList { u"ID: 202403101000  Data: 10/03/2024  Z"_s, u"ID: 202403101000  Data: 10/03/2024  a"_s,
                   u"ID: 202403101000  Data: 10/03/2024  A"_s, u"ID: 202403101000  Data: 10/03/2024"_s,
                   u"ID: 202403101000  Data: 10/03/2024  à"_s, u"ID: 202403101000  Data: 10/03/2024  a"_s };
        QTest::newRow("characters without a byte among others")
            << QStringList { u"Data: Łódź"_s, u"Data: Lodz"_s, u"Data: łódź"_s, u"Data: Ő"_s, u"Data: ő"_s,
                   u"Data: o"_s, u"Data: Łódź"_s, u"Data: Ž"_s, u"Data: \U0001F600"_s, u"Data: ﬀ"_s, u"Data: lodz"_s };
        // Random lines alike for long stretches, with the NUL character (a
        // byte like any other) and runs of one letter; in the second table
        // some lines have a character without a byte.
        QRandomGenerator random(21);
        for (const QString& alphabet : { u"aAbBzZ _~èÈŠš€\u0081ÿ\0"_s, u"aAbB _èŠ€\u0081ÿŁ"_s }) {
            QStringList lines;
            for (int i = 0; i < 3000; ++i) {
                QString line = u"Data: "_s;
                for (int n = int(random.bounded(30)); n > 0; --n)
                    line += random.bounded(3) == 0 ? u'a' : alphabet[random.bounded(int(alphabet.size()))];
                lines << line;
            }
            QTest::newRow(alphabet.contains(u'Ł') ? "3000 lines, some without bytes" : "3000 lines in bytes") << lines;
        }
    }
    void sortMatchesTheTextOrder()
    {
        QFETCH(QStringList, lines);
        for (const auto order : { lists::LineOrder::Text, lists::LineOrder::CaseFoldAZ }) {
            auto list = rows(lines);
            lists::sortRows(list, order);
            const QStringList expected = orderedAsTexts(lines, order);
            QCOMPARE(texts(list), expected);
            // Equal lines keep their file order.
            for (qsizetype i = 1; i < list.size(); ++i) {
                if (list[i].text == list[i - 1].text)
                    QVERIFY(list[i].position > list[i - 1].position);
                QCOMPARE(lines.at(list[i].position - 1), list[i].text);
            }
        }
    }

    void findOverEveryKindOfLine_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("found");
        // Lines: 0 città, 1 Łódź È, 2 € 12,50, 3 ROSSI Š
        QTest::newRow("capitals of a line in bytes") << u"rossi Š"_s << 3;
        QTest::newRow("accented capital stays itself") << u"š"_s << 0;
        QTest::newRow("word with a letter the code page lacks") << u"Łódź"_s << 1;
        QTest::newRow("only A to Z fold") << u"łódź"_s << 0;
        QTest::newRow("word in bytes inside a line kept as text") << u"ódź è"_s << 0;
        QTest::newRow("code page letter in a line kept as text") << u" È"_s << 1;
        QTest::newRow("euro sign") << u"€ 12"_s << 2;
        QTest::newRow("longer than every line") << u"città città città città"_s << 0;
    }
    void findOverEveryKindOfLine()
    {
        QFETCH(QString, word);
        QFETCH(int, found);
        const auto list = rows({ u"Città"_s, u"Łódź È"_s, u"€ 12,50"_s, u"ROSSI Š"_s });
        QCOMPARE(lists::findRow(list, 0, word, u""_s), found);
    }

    void criteria_data()
    {
        QTest::addColumn<QString>("contact");
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("matches");
        // The record: contact "ROSSI Mario", place "Città di Castello".
        QTest::newRow("none used") << u""_s << u""_s << true;
        QTest::newRow("capitals fold") << u"rossi m"_s << u""_s << true;
        QTest::newRow("both must score") << u"rossi"_s << u"roma"_s << false;
        QTest::newRow("accented letter does not fold") << u""_s << u"CITTÀ"_s << false;
        QTest::newRow("blank-only criterion does not count") << u"rossi"_s << u"   "_s << true;
        QTest::newRow("trailing blank is typed text") << u"mario "_s << u""_s << false;
        QTest::newRow("leading blank is typed text") << u" mario"_s << u""_s << true;
    }
    void criteria()
    {
        QFETCH(QString, contact);
        QFETCH(QString, place);
        QFETCH(bool, matches);
        AppointmentRecord r;
        r.setText(F::contact, u"ROSSI Mario"_s);
        r.setText(F::place, u"Città di Castello"_s);
        lists::Criteria<records::AppointmentLayout> c;
        c.add(F::contact, contact);
        c.add(F::place, place);
        QCOMPARE(c.matches(r.view()), matches);
    }
};

QTEST_MAIN(TestListRows)
#include "tst_listrows.moc"
