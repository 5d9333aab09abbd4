#include "support/programfixture.h"
#include "ui/report.h"
#include "ui/services.h"

#include <QMultiMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList listLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << u"Riga %1  Data: 05/03/2024  Ora: 09:30  Causale: prova di stampa numero %1"_s.arg(
            i, 3, 10, QChar(u'0'));
    return lines;
}

// A4 portrait, margins of 10 mm: the printable area runs from 10 to 287 mm.
constexpr double Top = 10, Bottom = 287, Left = 10, Right = 200;

// `count` boxes `height` mm tall every `pitch` mm in one band, named by their index.
report::Template boxes(report::BandKind kind, int count, double height, double pitch)
{
    report::Template t(u"Scatole"_s);
    for (int i = 0; i < count; ++i) {
        report::Object box;
        box.kind = report::Object::Kind::Rectangle;
        box.name = QString::number(i);
        box.rect = QRectF(5, i * pitch, 100, height);
        t.add(kind, box);
    }
    t.band(kind).height = count * pitch;
    return t;
}

bool withinMargins(const QRectF& r)
{
    constexpr double e = 1e-6;
    return r.left() >= Left - e && r.right() <= Right + e && r.top() >= Top - e && r.bottom() <= Bottom + e;
}

// Where each object landed: page index and rect, by name.
QMultiMap<QString, std::pair<int, QRectF>> placements(const report::Template& t)
{
    QMultiMap<QString, std::pair<int, QRectF>> placed;
    for (int p = 0; p < t.pages().size(); ++p) {
        for (const report::PlacedObject& o : t.pages()[p].objects)
            placed.insert(o.object->name, { p, o.rect });
    }
    return placed;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString pdf;

private slots:
    void init()
    {
        pdf = dir.filePath(u"stampa.pdf"_s);
        QFile::remove(pdf);
        report::printer::setPdfTarget(pdf);
        ui::clock::setFixed(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 30)));
    }
    void cleanup()
    {
        report::printer::setPdfTarget(QString());
        ui::clock::setFixed(QDateTime());
    }

    void listPrint_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("long list") << 200;
        QTest::newRow("one line") << 1;
        QTest::newRow("empty list") << 0;
        QTest::newRow("the footer alone would not fit after the lines") << 50;
    }
    void listPrint()
    {
        QFETCH(int, count);
        const QStringList lines = listLines(count);
        QVERIFY(report::printList(u"Riepilogo appuntamenti imminenti"_s, lines));
        const QStringList pages = testsupport::pdfText(pdf);
        QVERIFY(!pages.isEmpty());

        // Every line exactly once and in order, across the pages.
        const QString all = pages.join(QString());
        qsizetype from = 0;
        for (const QString& line : lines) {
            const QString number = line.left(8);
            QCOMPARE(all.count(number + u' '), 1);
            const qsizetype at = all.indexOf(number + u' ', from);
            QVERIFY2(at >= from, qPrintable(number));
            from = at;
        }
        // A landscape page holds 56 lines at most; the first page also the title.
        QVERIFY(pages.size() >= 1 + (count - 50) / 56);
        QVERIFY(pages.size() <= 2 + count / 50);
        // The title on the first page only, the footer once after the last line.
        QVERIFY(pages.first().contains(u"Riepilogo appuntamenti imminenti"_s));
        QCOMPARE(all.count(u"Riepilogo appuntamenti imminenti"_s), 1);
        QCOMPARE(all.count(u"Stampa eseguita in data 05/03/2024"_s), 1);
        QVERIFY(pages.last().contains(u"Stampa eseguita in data 05/03/2024"_s));
        if (count > 0) {
            QVERIFY(pages.last().contains(lines.last().left(8) + u' '));
            QVERIFY(pages.last().indexOf(u"Stampa eseguita"_s) > pages.last().indexOf(lines.last().left(8)));
        }
        QVERIFY(!all.contains(u"[DATE]"_s));
    }

    // Whatever the number of lines, the footer shares its page with the last
    // of them, and every line is laid out once.
    void footerKeepsTheLastLines()
    {
        for (int count = 1; count <= 180; ++count) {
            report::Template t = report::listTemplate();
            for (const QString& line : listLines(count))
                t.addLine(u"txtRiepilogo"_s, line);
            t.setHeight(u"txtRiepilogo"_s, count * report::ListLineUnits);
            t.setHeight(u"MasterData"_s, count * report::ListLineUnits + 10);
            t.prepare();
            int laidOut = 0;
            for (const report::Page& page : t.pages()) {
                bool footer = false;
                int lines = 0;
                for (const report::PlacedObject& placed : page.objects) {
                    footer = footer || placed.object->name == u"txtPagina"_s;
                    if (placed.object->name == u"txtRiepilogo"_s)
                        lines += int(placed.lines.size());
                }
                laidOut += lines;
                if (footer)
                    QVERIFY2(lines > 0, qPrintable(u"%1 lines: the footer stands alone"_s.arg(count)));
            }
            QCOMPARE(laidOut, count);
        }
    }

    void bandSplitsBetweenObjects_data()
    {
        QTest::addColumn<report::BandKind>("kind");
        QTest::addColumn<double>("titleHeight");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("pitch");
        QTest::addColumn<int>("pages");
        using K = report::BandKind;
        QTest::newRow("fits") << K::MasterData << 20.0 << 10 << 12.0 << 12.0 << 1;
        QTest::newRow("last box ends on the margin") << K::MasterData << 7.0 << 27 << 10.0 << 10.0 << 1;
        QTest::newRow("one box more") << K::MasterData << 7.0 << 28 << 10.0 << 10.0 << 2;
        QTest::newRow("gaps between boxes") << K::MasterData << 24.0 << 40 << 6.0 << 10.0 << 2;
        QTest::newRow("taller than two pages") << K::MasterData << 0.0 << 60 << 10.0 << 10.0 << 3;
        QTest::newRow("title band") << K::Title << 0.0 << 60 << 10.0 << 10.0 << 3;
        QTest::newRow("footer band") << K::Footer << 100.0 << 40 << 10.0 << 10.0 << 2;
    }
    void bandSplitsBetweenObjects()
    {
        QFETCH(report::BandKind, kind);
        QFETCH(double, titleHeight);
        QFETCH(int, count);
        QFETCH(double, height);
        QFETCH(double, pitch);
        QFETCH(int, pages);
        report::Template t = boxes(kind, count, height, pitch);
        if (kind != report::BandKind::Title)
            t.band(report::BandKind::Title).height = titleHeight;
        t.prepare();
        QCOMPARE(t.pages().size(), pages);

        const auto placed = placements(t);
        int lastPage = 0;
        double shift = 0; // page position minus band position, the same for every box of a page
        for (int i = 0; i < count; ++i) {
            const QString name = QString::number(i);
            QCOMPARE(placed.count(name), 1);
            const auto [page, rect] = placed.value(name);
            QVERIFY2(withinMargins(rect), qPrintable(name));
            QCOMPARE(rect.size(), QSizeF(100, height));
            QVERIFY(page == lastPage || page == lastPage + 1);
            if (i == 0 || page != lastPage) {
                if (page > 0)
                    QCOMPARE(rect.top(), Top); // a continuation starts at the top margin
                shift = rect.top() - i * pitch;
            }
            QCOMPARE(rect.top(), i * pitch + shift);
            lastPage = page;
        }
        // Each page but the last is full: its next box would not have fitted.
        for (int i = 1; i < count; ++i) {
            const auto before = placed.value(QString::number(i - 1));
            if (placed.value(QString::number(i)).first != before.first)
                QVERIFY(before.second.top() + pitch + height > Bottom);
        }
    }

    void objectsStartingTogetherMoveTogether()
    {
        // A short and a tall object side by side: the short one would fit, the
        // tall one does not, so both go to the next page.
        report::Template t(u"Prova"_s);
        t.band(report::BandKind::Title).height = 270;
        report::Object shortBox;
        shortBox.kind = report::Object::Kind::Rectangle;
        shortBox.name = u"basso"_s;
        shortBox.rect = QRectF(0, 0, 50, 5);
        t.add(report::BandKind::MasterData, shortBox);
        report::Object tallBox = shortBox;
        tallBox.name = u"alto"_s;
        tallBox.rect = QRectF(60, 0, 50, 20);
        t.add(report::BandKind::MasterData, tallBox);
        t.band(report::BandKind::MasterData).height = 20;
        t.prepare();
        QCOMPARE(t.pages().size(), 2);
        const auto placed = placements(t);
        QCOMPARE(placed.value(u"basso"_s), std::pair(1, QRectF(Left, Top, 50, 5)));
        QCOMPARE(placed.value(u"alto"_s), std::pair(1, QRectF(Left + 60, Top, 50, 20)));
    }

    void objectTallerThanThePage()
    {
        // Nothing gains by moving it again: it takes the top of a page and
        // runs past the bottom margin; the objects after it go on as usual.
        report::Template t(u"Prova"_s);
        const QList<std::pair<QString, QRectF>> objects
            = { { u"a"_s, QRectF(0, 0, 50, 10) }, { u"grande"_s, QRectF(60, 10, 50, 300) },
                  { u"c"_s, QRectF(0, 20, 50, 10) }, { u"d"_s, QRectF(0, 320, 50, 10) } };
        for (const auto& [name, rect] : objects) {
            report::Object o;
            o.kind = report::Object::Kind::Rectangle;
            o.name = name;
            o.rect = rect;
            t.add(report::BandKind::MasterData, o);
        }
        t.band(report::BandKind::MasterData).height = 330;
        t.prepare();
        QCOMPARE(t.pages().size(), 3);
        const auto placed = placements(t);
        QCOMPARE(placed.size(), 4);
        QCOMPARE(placed.value(u"a"_s), std::pair(0, QRectF(Left, Top, 50, 10)));
        QCOMPARE(placed.value(u"grande"_s), std::pair(1, QRectF(Left + 60, Top, 50, 300)));
        QCOMPARE(placed.value(u"c"_s), std::pair(1, QRectF(Left, Top + 10, 50, 10)));
        QCOMPARE(placed.value(u"d"_s), std::pair(2, QRectF(Left, Top, 50, 10)));
    }

    void textFieldsAreCutAndLiteral()
    {
        report::Template t(u"Prova"_s);
        report::Object narrow;
        narrow.name = u"txtStretto"_s;
        narrow.rect = QRectF(0, 0, 30, 8);
        narrow.fontFamily = u"Courier New"_s;
        t.add(report::BandKind::Title, narrow);
        report::Object literal = narrow;
        literal.name = u"txtLetterale"_s;
        literal.rect = QRectF(0, 10, 150, 8);
        t.add(report::BandKind::Title, literal);
        report::Object dated = literal;
        dated.name = u"txtData"_s;
        dated.rect = QRectF(0, 20, 150, 8);
        dated.dateVariable = true;
        t.add(report::BandKind::Title, dated);
        t.band(report::BandKind::Title).height = 30;
        QVERIFY(t.find(u"txtStretto"_s));
        QVERIFY(!t.find(u"txtNessuno"_s));
        t.setText(u"txtStretto"_s, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"_s);
        t.setText(u"txtLetterale"_s, u"[x] = [y] + 1 [DATE]"_s);
        t.setText(u"txtData"_s, u"Stampato il [DATE]"_s);
        t.prepare();
        QCOMPARE(t.pages().size(), 1);
        QVERIFY(report::printer::print(t));
        const QString text = testsupport::pdfText(pdf).join(QString());
        QVERIFY(text.contains(u"ABCDEFGHIJ"_s));
        QVERIFY(!text.contains(u"0123456789"_s));            // cut at the field's edge, not wrapped
        QVERIFY(text.contains(u"[x] = [y] + 1 [DATE]"_s));   // a field's own text prints as it is
        QVERIFY(text.contains(u"Stampato il 05/03/2024"_s)); // only a field marked for it gets the date
    }

    // A list printed from its rows reads each line while its page is drawn,
    // never before, and each once: no copy of the whole list is made.
    void listLinesAreReadPageByPage()
    {
        const QStringList lines = listLines(200);
        QList<qsizetype> asked;
        report::Template t = report::listTemplate();
        t.setLines(u"txtRiepilogo"_s, lines.size(), [&](qsizetype i) {
            asked << i;
            return lines[i];
        });
        t.setHeight(u"txtRiepilogo"_s, lines.size() * report::ListLineUnits);
        t.setHeight(u"MasterData"_s, lines.size() * report::ListLineUnits + 10);
        t.prepare();
        QVERIFY(asked.isEmpty());
        QVERIFY(t.pages().size() > 3);
        QVERIFY(report::printer::exportPdf(t, pdf, u"Lista"_s));
        QCOMPARE(asked.size(), lines.size());
        for (qsizetype i = 0; i < asked.size(); ++i)
            QCOMPARE(asked[i], i);
        QCOMPARE(testsupport::pdfText(pdf).join(QString()).count(lines[123].left(8) + u' '), 1);
    }

    void pdfExportReplacesTheFile()
    {
        const QString target = dir.filePath(u"Contatto.pdf"_s);
        testsupport::writeFile(target, QByteArray(200000, 'x'));
        report::Template t = report::listTemplate();
        t.setText(u"txtTitolo"_s, u"Scheda"_s);
        t.prepare();
        QVERIFY(report::printer::exportPdf(t, target, u"Scheda contatto"_s));
        const QByteArray bytes = testsupport::readFile(target);
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(!bytes.contains(QByteArray(1000, 'x')));
        QVERIFY(testsupport::pdfText(target).join(QString()).contains(u"Scheda"_s));
    }

    void exportToAnUnwritablePlaceFails()
    {
        report::Template t = report::listTemplate();
        t.prepare();
        QVERIFY(!report::printer::exportPdf(t, dir.filePath(u"manca/Contatto.pdf"_s), u"x"_s));
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
