#include "storage/listrows.h"

#include <QTest>

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
