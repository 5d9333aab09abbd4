#include "support/programfixture.h"
#include "ui/report.h"
#include "ui/services.h"

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
        lines << u"Riga %1  Data: 05/03/2024  Ora: 09:30  Causale: prova di stampa numero %1"_s.arg(i, 3, 10, QChar(u'0'));
    return lines;
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
        if (count > 0)
            QVERIFY(pages.last().indexOf(u"Stampa eseguita"_s) > pages.last().indexOf(lines.last().left(8)));
        QVERIFY(!all.contains(u"[DATE]"_s));
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
        QVERIFY(!text.contains(u"0123456789"_s)); // cut at the field's edge, not wrapped
        QVERIFY(text.contains(u"[x] = [y] + 1 [DATE]"_s)); // a field's own text prints as it is
        QVERIFY(text.contains(u"Stampato il 05/03/2024"_s)); // only a field marked for it gets the date
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
