// The manual as the build writes it, read back with poppler's tools: A4
// pages, a body of 11 points, and contents whose page numbers are the pages
// where the chapters start.

#include "shell/help.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestGuide : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString pdf;

private slots:
    void initTestCase()
    {
        pdf = dir.filePath(u"Guida.pdf"_s);
        QProcess maker;
        maker.start(QStringLiteral(MAKE_GUIDE_PATH), { pdf });
        QVERIFY(maker.waitForFinished(120000));
        QCOMPARE(maker.exitCode(), 0);
    }

    void a4Pages()
    {
        const QString info = run(u"pdfinfo"_s, { pdf });
        QVERIFY2(
            info.contains(QRegularExpression(u"Page size:\\s+595(\\.\\d+)? x 842(\\.\\d+)? pts"_s)), qPrintable(info));
    }

    // The words of a page of text, as tall as letters of 11 points are.
    void bodyOfElevenPoints()
    {
        const QString boxes = run(u"pdftotext"_s, { u"-f"_s, u"3"_s, u"-l"_s, u"3"_s, u"-bbox"_s, pdf, u"-"_s });
        static const QRegularExpression word(uR"re(yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)")re"_s);
        QList<double> heights;
        for (auto it = word.globalMatch(boxes); it.hasNext();) {
            const auto m = it.next();
            heights << m.captured(2).toDouble() - m.captured(1).toDouble();
        }
        QVERIFY(heights.size() > 100);
        std::sort(heights.begin(), heights.end());
        const double median = heights[heights.size() / 2];
        // Liberation Sans: a box of 1.15 em around each word.
        QVERIFY2(median > 11 * 1.05 && median < 11 * 1.25, qPrintable(QString::number(median)));
    }

    void contentsGiveTheChapterPages()
    {
        const auto& topics = shell::help::topics();
        const QString contents = run(u"pdftotext"_s, { u"-f"_s, u"2"_s, u"-l"_s, u"2"_s, u"-layout"_s, pdf, u"-"_s });
        QVERIFY(contents.contains(u"Indice"_s));
        for (qsizetype i = 0; i < topics.size(); ++i) {
            const QString heading = u"%1. %2"_s.arg(i + 1).arg(topics[i].title);
            const QRegularExpression entry(
                QRegularExpression::escape(heading) + uR"(\s+(\d+)\s*$)"_s, QRegularExpression::MultilineOption);
            const auto m = entry.match(contents);
            QVERIFY2(m.hasMatch(), qPrintable(heading));
            const QString page = m.captured(1);
            const QString text = run(u"pdftotext"_s, { u"-f"_s, page, u"-l"_s, page, u"-layout"_s, pdf, u"-"_s });
            QVERIFY2(text.simplified().startsWith(heading), qPrintable(heading + u" on page "_s + page));
        }
    }
};

QTEST_GUILESS_MAIN(TestGuide)
#include "tst_guide.moc"
