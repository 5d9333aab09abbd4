// The name a chosen file gets in the attachments folder: one the record
// stores exactly, so the card always names the file that was copied.
#include "documents/documentrules.h"
#include "storage/records.h"
#include "support/folders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

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

    // The copy into the attachments folder never writes outside it: a link
    // under the chosen name (put back by a planter while copies go on) is
    // replaced, a dangling one creates nothing where it leads, a folder that
    // is itself a link is refused, and a chosen FIFO is refused at once. No
    // temporary file is left behind.
    void copyInStaysInTheFolder_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("link under the name, planted in a loop") << u"link"_s;
        QTest::newRow("dangling link under the name") << u"dangling"_s;
        QTest::newRow("attachments folder is a link") << u"folder link"_s;
        QTest::newRow("the chosen file is a FIFO") << u"fifo"_s;
    }
    void copyInStaysInTheFolder()
    {
        QFETCH(QString, planted);
        testsupport::ProgramFolderFixture program;
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(u"altrove"_s);
        writeFile(outside, "fuori");
        QString source = elsewhere.filePath(u"lettera.pdf"_s);
        writeFile(source, "allegato");
        const QString folder = program.file(u"Documenti_Allegati"_s) + u'/';
        const QString target = folder + u"lettera.pdf"_s;
        std::atomic<bool> stop = false;
        std::thread planter;
        if (planted == u"folder link"_s) {
            QVERIFY(::symlink(QFile::encodeName(elsewhere.path()).constData(),
                        QFile::encodeName(program.file(u"Documenti_Allegati"_s)).constData())
                == 0);
        } else {
            QVERIFY(QDir().mkpath(folder));
        }
        if (planted == u"dangling"_s)
            QVERIFY(
                ::symlink(QFile::encodeName(outside + u".nuovo"_s).constData(), QFile::encodeName(target).constData())
                == 0);
        if (planted == u"fifo"_s) {
            source = elsewhere.filePath(u"coda"_s);
            QVERIFY(::mkfifo(QFile::encodeName(source).constData(), 0666) == 0);
        }
        if (planted == u"link"_s) {
            planter = std::thread([&] {
                const QByteArray name = QFile::encodeName(target), to = QFile::encodeName(outside);
                while (!stop) {
                    ::unlink(name.constData());
                    ::symlink(to.constData(), name.constData());
                }
            });
        }
        QElapsedTimer clock;
        clock.start();
        int copied = 0;
        for (int i = 0; i < (planter.joinable() ? 100 : 1) && clock.elapsed() < 2000; ++i)
            copied += documents::attachments::copyIn(source, folder, u"lettera.pdf"_s) ? 1 : 0;
        stop = true;
        if (planter.joinable())
            planter.join();
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(readFile(outside), QByteArray("fuori"));
        QVERIFY(!QFileInfo::exists(outside + u".nuovo"_s));
        QCOMPARE(QDir(elsewhere.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                     .filter(u"quirvale"_s),
            QStringList());
        if (planted == u"dangling"_s) {
            QCOMPARE(copied, 1);
            QCOMPARE(readFile(target), QByteArray("allegato"));
        } else if (planted != u"link"_s) {
            QCOMPARE(copied, 0);
        }
        const QStringList left
            = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(u"quirvale"_s);
        QCOMPARE(left, QStringList());
    }
};

QTEST_MAIN(TestDocumentRules)
#include "tst_documentrules.moc"
