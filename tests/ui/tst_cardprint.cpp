// The printed card: the title on the first page, the rows page after page,
// never cut, and the footer once after the last row on the last page.
#include "support/programfixture.h"
#include "ui/cardprint.h"
#include "ui/services.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A4 portrait, margins of 10 mm.
constexpr double Top = 10, Bottom = 287, Left = 10, Right = 200;
constexpr double TitleRoom = 24; // the title and the space under it

QString number(int row)
{
    return u"%1"_s.arg(row, 2, 10, QChar(u'0'));
}
QString label(int row)
{
    return u"Voce %1:"_s.arg(number(row));
}
QString value(int row)
{
    return u"valore %1 fine"_s.arg(number(row)) + (row == 1 ? u" [DATE]"_s : QString());
}

struct Placed {
    int page = -1;
    QRectF rect;
    int times = 0;
};

} // namespace

class TestCardPrint : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void init() { ui::clock::setFixed(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 30))); }
    void cleanup() { ui::clock::setFixed(QDateTime()); }

    void rowsContinueOnNextPages_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("rowHeight");
        QTest::addColumn<int>("pages");
        QTest::newRow("appointment card") << 13 << 12.0 << 1;
        QTest::newRow("24 rows at 10 mm") << 24 << 10.0 << 1;
        QTest::newRow("24 rows at 12 mm") << 24 << 12.0 << 2;
        QTest::newRow("no room left for the footer") << 21 << 12.0 << 2;
        QTest::newRow("30 rows") << 30 << 12.0 << 2;
        QTest::newRow("three pages") << 60 << 12.0 << 3;
    }
    void rowsContinueOnNextPages()
    {
        QFETCH(int, rows);
        QFETCH(double, rowHeight);
        QFETCH(int, pages);
        QList<ui::PrintRow> content;
        for (int row = 1; row <= rows; ++row)
            content.append({ label(row), value(row) });
        report::Template t = ui::cardTemplate(u"Scheda"_s, u"SCHEDA DI PROVA"_s, content, rowHeight);
        t.setText(u"txtCalce"_s, ui::printedAtText());
        t.prepare();
        QCOMPARE(t.pages().size(), pages);

        QMap<QString, Placed> placed;
        for (int p = 0; p < t.pages().size(); ++p) {
            for (const report::PlacedObject& o : t.pages()[p].objects) {
                const QRectF& r = o.rect;
                QVERIFY2(r.left() >= Left && r.right() <= Right + 1e-6 && r.top() >= Top && r.bottom() <= Bottom + 1e-6,
                    qPrintable(o.object->name));
                QVERIFY2(!o.object->dateVariable, qPrintable(o.object->name)); // record values print as they are
                Placed& at = placed[o.object->name];
                at = { p, r, at.times + 1 };
            }
        }
        QCOMPARE(placed.value(u"txtTitolo"_s).times, 1);
        QCOMPARE(placed.value(u"txtTitolo"_s).page, 0);
        QCOMPARE(placed.value(u"txtTitolo"_s).rect.topLeft(), QPointF(Left, Top));

        // Every row whole, its label and value side by side, one under the
        // other: on the first page under the title, on the next ones from
        // the top margin.
        Placed previous;
        for (int row = 1; row <= rows; ++row) {
            const Placed lbl = placed.value(u"lblRiga"_s + number(row));
            const Placed txt = placed.value(u"txtRiga"_s + number(row));
            QCOMPARE(lbl.times, 1);
            QCOMPARE(txt.times, 1);
            QCOMPARE(txt.page, lbl.page);
            QCOMPARE(txt.rect.top(), lbl.rect.top());
            QCOMPARE(lbl.rect.height(), rowHeight);
            if (row == 1)
                QCOMPARE(lbl.rect.top(), Top + TitleRoom);
            else if (lbl.page == previous.page)
                QCOMPARE(lbl.rect.top(), previous.rect.bottom());
            else {
                QCOMPARE(lbl.page, previous.page + 1);
                QCOMPARE(lbl.rect.top(), Top);
                QVERIFY(previous.rect.bottom() + rowHeight > Bottom); // the page was full
            }
            previous = lbl;
        }

        // The footer and its rule once, at the bottom of the last page, below the last row.
        for (const QString& name : { u"txtCalce"_s, u"linCalce"_s }) {
            QCOMPARE(placed.value(name).times, 1);
            QCOMPARE(placed.value(name).page, pages - 1);
        }
        QCOMPARE(placed.value(u"linCalce"_s).rect.top(), Bottom - 10);
        if (previous.page == pages - 1)
            QVERIFY(placed.value(u"linCalce"_s).rect.top() >= previous.rect.bottom());

        // What the paper shows: every label and value once, the footer after the last row.
        const QString pdf = dir.filePath(u"scheda.pdf"_s);
        QVERIFY(report::printer::exportPdf(t, pdf, u"Scheda"_s));
        const QStringList text = testsupport::pdfText(pdf);
        QCOMPARE(text.size(), pages);
        const QString all = text.join(QString());
        for (int row = 1; row <= rows; ++row) {
            QCOMPARE(all.count(label(row)), 1);
            QCOMPARE(all.count(value(row)), 1);
        }
        const QString footer = u"Stampa eseguita in data 05/03/2024 alle ore 09:05:30"_s;
        QCOMPARE(all.count(footer), 1);
        QVERIFY(text.last().indexOf(footer) > text.last().indexOf(label(rows)));
        QCOMPARE(all.count(u"SCHEDA DI PROVA"_s), 1);
        QVERIFY(text.first().contains(u"SCHEDA DI PROVA"_s));
    }
};

QTEST_MAIN(TestCardPrint)
#include "tst_cardprint.moc"
