#include "shell/mainmenu.h"
#include "shell/passwordchange.h"
#include "shell/passwordgate.h"
#include "shell/screens.h"
#include "storage/passwordstore.h"
#include "support/programfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString Wrong = u"Attenzione: password errata."_s;
const QString ReadError = u"Attenzione: si è verificato un errore durante la procedura di lettura della password. "
                          u"Si consiglia di reinstallare il software."_s;

void writeStore(const QString& value)
{
    testsupport::writeFile(password::storePath(), "[Accesso]\nValore=" + value.toLatin1() + "\n");
}
} // namespace

class TestPassword : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    QLineEdit* gateField() const { return program->gate()->findChild<QLineEdit*>(u"txtPassword"_s); }
    QPushButton* gateOK() const { return program->gate()->findChild<QPushButton*>(u"cmdOK"_s); }
    QLineEdit* changeField(const QString& name) const { return program->passwordChange()->findChild<QLineEdit*>(name); }

    void enterAtGate(const QString& typed)
    {
        gateField()->clear();
        testsupport::typeText(gateField(), typed);
        QTest::keyClick(gateField(), Qt::Key_Return);
    }

    void change(const QString& oldPassword, const QString& newPassword, const QString& confirmation)
    {
        program->gate()->findChild<QPushButton*>(u"btnCambiaPassword"_s)->click();
        testsupport::typeText(changeField(u"txtPasswordOld"_s), oldPassword);
        testsupport::typeText(changeField(u"txtPasswordNew"_s), newPassword);
        testsupport::typeText(changeField(u"txtConferma"_s), confirmation);
        program->passwordChange()->findChild<QPushButton*>(u"cmdOK"_s)->click();
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>();
        program->gate()->show();
    }
    void cleanup() { program.reset(); }

    void scramble_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ADMIN") << u"ADMIN"_s << u"53D5156282"_s;
        QTest::newRow("QUIRVALE") << u"QUIRVALE"_s << u"434CFACC53A491EB"_s;
        QTest::newRow("A") << u"A"_s << u"53"_s;
        QTest::newRow("accented") << u"ÀÈ1"_s << u"D21CF4"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void scramble()
    {
        QFETCH(QString, plain);
        QFETCH(QString, stored);
        QCOMPARE(password::scramble(plain), stored);
        QCOMPARE(password::unscramble(stored), plain);
    }

    void unscrambleEdges()
    {
        QCOMPARE(password::unscramble(u"53D5156282F"_s), u"ADMIN"_s); // odd last digit ignored
        QCOMPARE(password::unscramble(u"53d5156282"_s), u"ADMIN"_s);
        QCOMPARE(password::unscramble(u"53ZZ"_s), std::nullopt);
        QString every;
        for (int c = 0; c < 256; ++c)
            every += QChar(char16_t(c));
        QCOMPARE(password::unscramble(password::scramble(every)), every);
    }

    void gate_data()
    {
        QTest::addColumn<QString>("store"); // INI value, or "none" for no store at all
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("message");
        const QString quirvale = password::scramble(u"QUIRVALE"_s);
        const QString accented = password::scramble(u"CAFÈ"_s);
        QTest::newRow("lower case") << quirvale << u"quirvale"_s << true << QString();
        QTest::newRow("blanks around") << quirvale << u"  QuirVale  "_s << true << QString();
        QTest::newRow("wrong") << quirvale << u"quirval"_s << false << Wrong;
        QTest::newRow("accent in its own case") << accented << u"cafÈ"_s << true << QString();
        QTest::newRow("accent in the other case") << accented << u"cafè"_s << false << Wrong;
        QTest::newRow("no store") << u"none"_s << u"quirvale"_s << false << Wrong;
        QTest::newRow("store not hexadecimal") << u"43XX"_s << u"quirvale"_s << false << ReadError;
    }
    void gate()
    {
        QFETCH(QString, store);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, message);
        if (store != u"none"_s)
            writeStore(store);
        QVERIFY(!gateOK()->isEnabled());
        enterAtGate(typed);
        QCOMPARE(program->menu()->isVisible(), accepted);
        QCOMPARE(program->gate()->isVisible(), !accepted);
        if (accepted) {
            QVERIFY(program->messages.messages().isEmpty());
        } else {
            QCOMPARE(program->messages.texts(), QStringList { message });
            QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Plain);
            QCOMPARE(gateField()->text().isEmpty(), message == Wrong);
        }
    }

    // A damaged store (a section never closed) fails the reading at every
    // attempt, not only at the first one of the run.
    void damagedStoreFailsEveryTime()
    {
        testsupport::writeFile(
            password::storePath(), "[Accesso\nValore=" + password::scramble(u"QUIRVALE"_s).toLatin1());
        for (int attempt = 0; attempt < 2; ++attempt) {
            program->messages.clear();
            enterAtGate(u"quirvale"_s);
            QCOMPARE(program->messages.texts(), QStringList { ReadError });
            QVERIFY(!program->menu()->isVisible());
        }
    }

    // A store that is no store: the gate tells the reading error at once,
    // whatever stands in its place, and nothing in the file is decoded
    // into anything but text.
    void unreadableStore_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << u"fifo"_s;
        QTest::newRow("folder") << u"folder"_s;
        QTest::newRow("Qt variant") << u"variant"_s;
        QTest::newRow("huge") << u"huge"_s;
        QTest::newRow("NUL byte") << u"nul"_s;
    }
    void unreadableStore()
    {
        QFETCH(QString, kind);
        const QByteArray path = QFile::encodeName(password::storePath());
        if (kind == u"fifo"_s)
            QVERIFY(::mkfifo(path.constData(), 0666) == 0);
        else if (kind == u"folder"_s)
            QVERIFY(QDir().mkdir(password::storePath()));
        else if (kind == u"variant"_s)
            testsupport::writeFile(password::storePath(), "[Accesso]\nValore=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\n");
        else if (kind == u"huge"_s)
            testsupport::writeFile(password::storePath(),
                "[Accesso]\nValore=" + password::scramble(u"QUIRVALE"_s).toLatin1() + "\n" + QByteArray(1 << 20, ';'));
        else
            testsupport::writeFile(password::storePath(),
                "[Accesso]\nValore=" + password::scramble(u"QUIRVALE"_s).toLatin1() + QByteArray("\n\0", 2));
        QElapsedTimer clock;
        clock.start();
        enterAtGate(u"quirvale"_s);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(program->messages.texts(), QStringList { ReadError });
        QVERIFY(!program->menu()->isVisible());
    }

    // The store as any INI reader writes it: names in any case, blanks,
    // comments, other sections and keys, quotes around the value.
    void storeReadAsIni_data()
    {
        QTest::addColumn<QByteArray>("store");
        const QByteArray q = password::scramble(u"QUIRVALE"_s).toLatin1();
        QTest::newRow("written by the program") << "[Accesso]\nValore=" + q + "\n";
        QTest::newRow("Windows lines, other case, blanks")
            << "\xEF\xBB\xBF; note\r\n[ accesso ]\r\n VALORE = " + q + " \r\n";
        QTest::newRow("other sections and keys") << "[Altro]\nValore=00\n[Accesso]\nAltro=1\nValore=\"" + q + "\"\n";
    }
    void storeReadAsIni()
    {
        QFETCH(QByteArray, store);
        testsupport::writeFile(password::storePath(), store);
        QCOMPARE(password::readStored(), std::optional<QString>(u"QUIRVALE"_s));
    }

    // A change writes the store whole, as an INI file any reader takes, and
    // leaves nothing beside it.
    void changeWritesTheStoreAlone()
    {
        writeStore(password::scramble(u"QUIRVALE"_s));
        change(u"quirvale"_s, u"segreta"_s, u"segreta"_s);
        QCOMPARE(testsupport::readFile(password::storePath()),
            "[Accesso]\nValore=" + password::scramble(u"SEGRETA"_s).toLatin1() + "\n");
        QSettings independent(password::storePath(), QSettings::IniFormat);
        QCOMPARE(independent.value(u"Accesso/Valore"_s).toString(), password::scramble(u"SEGRETA"_s));
        QCOMPARE(QDir(program->folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList { u"unins000.dll"_s });
    }

    void okEnabledOnlyWithText()
    {
        testsupport::typeText(gateField(), u"   "_s);
        QVERIFY(!gateOK()->isEnabled());
        QTest::keyClick(gateField(), Qt::Key_Return); // nothing happens
        QVERIFY(program->messages.messages().isEmpty());
        testsupport::typeText(gateField(), u"x"_s);
        QVERIFY(gateOK()->isEnabled());
    }

    void change_data()
    {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("opensGate");
        QTest::newRow("changed") << u"quirvale"_s << u" segreta "_s << u"segreta"_s
                                 << u"Modifica della password completata con successo."_s << u"SEGRETA"_s;
        QTest::newRow("wrong old") << u"quirval"_s << u"segreta"_s << u"segreta"_s
                                   << u"Attenzione: vecchia password errata."_s << u"quirvale"_s;
        QTest::newRow("abc confirmed as ABC") << u"quirvale"_s << u"abc"_s << u"ABC"_s
                                              << u"Attenzione: la nuova password non è stata confermata correttamente. "
                                                 u"E' necessario reinserire entrambi i valori."_s
                                              << u"quirvale"_s;
        const QString tooLong(256, u'x');
        const QString refused = u"Attenzione: la nuova password non può essere memorizzata. Può contenere al massimo "
                                u"255 caratteri, scelti fra lettere, cifre e segni dell'alfabeto latino."_s;
        QTest::newRow("longer than 255") << u"quirvale"_s << tooLong << tooLong << refused << u"quirvale"_s;
        QTest::newRow("outside Latin-1") << u"quirvale"_s << u"città€"_s << u"città€"_s << refused << u"quirvale"_s;
    }
    void change()
    {
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, confirmation);
        QFETCH(QString, message);
        QFETCH(QString, opensGate);
        writeStore(password::scramble(u"QUIRVALE"_s));
        const QByteArray before = testsupport::readFile(password::storePath());
        change(oldPassword, newPassword, confirmation);
        QCOMPARE(program->messages.texts(), QStringList { message });
        const bool done = message.startsWith(u"Modifica"_s);
        QCOMPARE(program->passwordChange()->isVisible(), !done);
        if (!done) {
            QCOMPARE(testsupport::readFile(password::storePath()), before);
            program->passwordChange()->close();
        }
        QVERIFY(program->gate()->isVisible());
        QVERIFY(gateField()->text().isEmpty());
        program->messages.clear();
        enterAtGate(opensGate);
        QVERIFY(program->menu()->isVisible());
    }

    void changeScreenEnterCycleAndOK()
    {
        program->gate()->findChild<QPushButton*>(u"btnCambiaPassword"_s)->click();
        QVERIFY(!program->gate()->isVisible());
        QLineEdit* first = changeField(u"txtPasswordOld"_s);
        QLineEdit* second = changeField(u"txtPasswordNew"_s);
        QLineEdit* third = changeField(u"txtConferma"_s);
        auto* ok = program->passwordChange()->findChild<QPushButton*>(u"cmdOK"_s);
        QVERIFY(testsupport::activate(program->passwordChange()));
        QCOMPARE(program->passwordChange()->focusWidget(), first);
        testsupport::typeText(first, u"a"_s);
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(program->passwordChange()->focusWidget(), second);
        testsupport::typeText(second, u"b"_s);
        QTest::keyClick(second, Qt::Key_Return);
        QCOMPARE(program->passwordChange()->focusWidget(), third);
        QVERIFY(!ok->isEnabled());
        testsupport::typeText(third, u" "_s);
        QVERIFY(!ok->isEnabled());
        testsupport::typeText(third, u"c"_s);
        QVERIFY(ok->isEnabled());
        QTest::keyClick(third, Qt::Key_Return);
        QCOMPARE(program->passwordChange()->focusWidget(), first);

        // One focus frame at a time, around the field being edited.
        for (QLineEdit* field : { second, third, first }) {
            field->setFocus();
            QStringList framed;
            for (const QString& name : { u"effPasswordOld"_s, u"effPasswordNew"_s, u"effConferma"_s }) {
                if (program->passwordChange()->findChild<QFrame*>(name)->isVisible())
                    framed << name;
            }
            QCOMPARE(framed, QStringList { u"eff"_s + field->objectName().mid(3) });
        }
    }

    void exitEndsTheRun()
    {
        program->gate()->findChild<QPushButton*>(u"cmdEsci"_s)->click();
        QCOMPARE(program->runs.ends, 1);
    }
};

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
