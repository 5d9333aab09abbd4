// The name a chosen file gets in the attachments folder: one the record
// stores exactly, so the card always names the file that was copied.
#include "documents/documentrules.h"
#include "storage/records.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDocumentRules : public QObject {
    Q_OBJECT

private slots:
    void storedName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::newRow("kept as it is") << u"Verbale àèìòù €.pdf"_s << u"Verbale àèìòù €.pdf"_s;
        QTest::newRow("outside the code page") << u"Łódź ☃.pdf"_s << u"_ód_ _.pdf"_s;
        QTest::newRow("a character beyond the first plane") << u"nota 🙂.txt"_s << u"nota _.txt"_s;
        QTest::newRow("controls, backslash and colon") << u"a\tb\\c:d\u007fe.txt"_s << u"a_b_c_d_e.txt"_s;
        QTest::newRow("blanks at both ends") << u"  lettera.pdf  "_s << u"lettera.pdf"_s;
        QTest::newRow("dot") << u"."_s << u"_"_s;
        QTest::newRow("dot dot") << u".."_s << u"__"_s;
        QTest::newRow("blanks only") << u"   "_s << u"_"_s;
        QTest::newRow("250 characters") << QString(246, u'x') + u".pdf"_s << QString(246, u'x') + u".pdf"_s;
        QTest::newRow("cut before the extension") << QString(300, u'x') + u".pdf"_s << QString(246, u'x') + u".pdf"_s;
        QTest::newRow("no extension") << QString(300, u'x') << QString(250, u'x');
        QTest::newRow("a blank where the cut falls")
            << QString(245, u'x') + u" yyyy.pdf"_s << QString(245, u'x') + u".pdf"_s;
        QTest::newRow("an extension too long to keep") << u"a."_s + QString(300, u'x') << u"a."_s + QString(248, u'x');
    }
    void storedName()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        const QString name = documents::attachments::storedName(chosen);
        QCOMPARE(name, stored);
        // What a record keeps of it is the name itself.
        DocumentRecord r;
        r.setText(DocumentField::digitalCopyFile, name);
        QCOMPARE(r.text(DocumentField::digitalCopyFile), name);
    }
};

QTEST_MAIN(TestDocumentRules)
#include "tst_documentrules.moc"
