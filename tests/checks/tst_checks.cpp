#include "checks/cardnumberwindow.h"
#include "checks/codicefiscalewindow.h"
#include "checks/ibanwindow.h"
#include "checks/identifiers.h"
#include "checks/partitaivawindow.h"
#include "support/testsupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Kind = ui::MessageKind;

namespace {

const QString CfLength = u"Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici."_s;
const QString CfValid = u"Il codice fiscale digitato è VALIDO."_s;
const QString CfWrong = u"Attenzione: il codice fiscale digitato è ERRATO."_s;
const QString VatLength = u"Attenzione: la partita IVA deve essere composta da 11 caratteri numerici."_s;
const QString VatWrong
    = u"Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\n"
      u"Non è quindi possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato."_s;
QString vatValid(const QString& office)
{
    return u"Il numero di partita IVA digitato risulta VALIDO.\r\n\r\nE' stato rilasciato dall'Ufficio IVA del Comune di "_s
        + office + u"."_s;
}
const QString VatUnknownOffice
    = u"Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n"
      u"L'Ufficio IVA che lo ha rilasciato non è presente nell'elenco degli uffici conosciuti."_s;
const QString CardEmpty
    = u"Attenzione: immettere il numero di carta di credito prima di premere il pulsante di controllo."_s;
const QString CardWrong = u"Attenzione: il numero digitato risulta ERRATO!\r\n\r\n"
                          u"Non è quindi possibile fornire informazioni relative al tipo di carta di credito."_s;
QString cardValid(const QString& number, const QString& issuer)
{
    return u"Il numero di carta di credito "_s + number + u" risulta valido.\r\n\r\nLa carta di credito è del tipo "_s
        + issuer + u"."_s;
}
const QString IbanLength = u"Attenzione: l'IBAN deve essere composto da 27 caratteri alfanumerici."_s;
const QString IbanValid = u"L'IBAN digitato è VALIDO."_s;
const QString IbanWrong = u"Attenzione: l'IBAN digitato è ERRATO!"_s;

// Remainder of a long digit string, digit by digit: the reference the
// piecewise computation is held against.
int remainderByDigits(const QString& digits)
{
    int r = 0;
    for (QChar c : digits)
        r = (r * 10 + (c.unicode() - u'0')) % 97;
    return r;
}

// One of the four checker windows, with the text the contact card hands over.
std::unique_ptr<QDialog> checkerWindow(int which, const QString& initial = QString())
{
    switch (which) {
    case 0:
        return std::make_unique<CodiceFiscaleWindow>(initial);
    case 1:
        return std::make_unique<PartitaIvaWindow>(initial);
    case 2:
        return std::make_unique<CardNumberWindow>(initial);
    default:
        return std::make_unique<IbanWindow>(initial);
    }
}

} // namespace

class TestChecks : public QObject {
    Q_OBJECT

    // Types into the window's box as a user would, presses Enter and the
    // check button; returns the messages shown and whether the window stayed.
    template <typename Window>
    std::pair<QList<testsupport::MessageRecorder::Message>, bool> run(
        const QString& typed, const QString& initial = QString(), QString* shown = nullptr)
    {
        testsupport::MessageRecorder messages;
        Window window(initial);
        window.show();
        auto* field = window.template findChild<QLineEdit*>();
        auto* check = window.template findChild<QPushButton*>(u"btnControlla"_s);
        if (!typed.isNull()) {
            field->clear();
            testsupport::typeText(field, typed);
        }
        if (shown)
            *shown = field->text();
        QTest::keyClick(field, Qt::Key_Return);
        check->click();
        return { messages.messages(), window.isVisible() };
    }

private slots:
    void taxCode_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");
        QTest::newRow("valid") << u"RSSMRA80A01H501U"_s << int(Kind::Information) << CfValid << false;
        QTest::newRow("valid, second") << u"BNCGLI85T45F205K"_s << int(Kind::Information) << CfValid << false;
        QTest::newRow("typed in lower case") << u"rssmra80a01h501u"_s << int(Kind::Information) << CfValid << false;
        QTest::newRow("one character changed") << u"RSSMRA80A01H502U"_s << int(Kind::Warning) << CfWrong << false;
        QTest::newRow("sixteen zeros") << u"0000000000000000"_s << int(Kind::Warning) << CfWrong << false;
        QTest::newRow("fifteen characters") << u"RSSMRA80A01H501"_s << int(Kind::Warning) << CfLength << true;
        QTest::newRow("empty") << u""_s << int(Kind::Warning) << CfLength << true;
        QTest::newRow("accented letter") << u"RSSMRÀ80A01H501U"_s << int(Kind::Warning) << CfWrong << false;
    }
    void taxCode()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        QString shown;
        const auto [messages, open] = run<CodiceFiscaleWindow>(typed, QString(), &shown);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(int(messages.first().kind), kind);
        QCOMPARE(messages.first().text, message);
        QCOMPARE(open, stays);
        QCOMPARE(shown, typed.toUpper().trimmed());
    }

    // Enter in the box moves to Controlla; Enter there runs the check once.
    void enterOnTheCheckButton_data()
    {
        QTest::addColumn<int>("window"); // 0 codice fiscale, 1 partita IVA, 2 carta, 3 IBAN
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");
        QTest::newRow("codice fiscale") << 0 << u"RSSMRA80A01H501U"_s << int(Qt::Key_Return) << CfValid << false;
        QTest::newRow("partita IVA, keypad Enter")
            << 1 << u"00000000588"_s << int(Qt::Key_Enter) << vatValid(u"Roma 1"_s) << false;
        QTest::newRow("partita IVA, too short") << 1 << u"1234567890"_s << int(Qt::Key_Return) << VatLength << true;
        QTest::newRow("carta") << 2 << u"42"_s << int(Qt::Key_Return) << cardValid(u"42"_s, u"Visa"_s) << false;
        QTest::newRow("IBAN") << 3 << u"IT60X0542811101000000123456"_s << int(Qt::Key_Enter) << IbanValid << false;
    }
    void enterOnTheCheckButton()
    {
        QFETCH(int, window);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        testsupport::MessageRecorder messages;
        const auto checker = checkerWindow(window);
        checker->show();
        auto* field = checker->findChild<QLineEdit*>();
        testsupport::typeText(field, typed);
        QTest::keyClick(field, Qt::Key(key));
        QCOMPARE(checker->focusWidget(), checker->findChild<QPushButton*>(u"btnControlla"_s));
        QVERIFY(messages.messages().isEmpty());
        QTest::keyClick(checker->focusWidget(), Qt::Key(key));
        QCOMPARE(messages.texts(), QStringList { message });
        QCOMPARE(checker->isVisible(), stays);
    }

    void taxCodeHandedOverWithABlankInside()
    {
        // A blank cannot be typed inside (the box drops blanks at its ends as
        // they are typed), but the contact card may hand one over.
        const auto [messages, open] = run<CodiceFiscaleWindow>(QString(), u"RSSMRA80 01H501U"_s);
        QCOMPARE(messages.first().text, CfWrong);
        QVERIFY(!open);
    }

    void taxCodeTables()
    {
        QCOMPARE(checks::taxCodeCheckCharacter(u"000000000000000"), QChar(u'I'));
        QCOMPARE(checks::taxCodeCheckCharacter(u"RSSMRA80A01H501"), QChar(u'U'));
        // The seven signs between 9 and A are worth nothing, anything else is outside the tables.
        QCOMPARE(checks::taxCodeCheckCharacter(u":;<=>?@00000000"), checks::taxCodeCheckCharacter(u"101010100000000"));
        QCOMPARE(checks::taxCodeCheckCharacter(u"00000000000000["), std::nullopt);
        QCOMPARE(checks::taxCodeCheckCharacter(u"00000000000000/"), std::nullopt);
        QCOMPARE(checks::taxCodeCheckCharacter(u"0000000000000\u00ff0"), std::nullopt);
    }

    void vatNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");
        QTest::newRow("valid, office not listed")
            << u"12345678903"_s << int(Kind::Information) << VatUnknownOffice << false;
        QTest::newRow("wrong check digit") << u"12345678904"_s << int(Kind::Warning) << VatWrong << false;
        QTest::newRow("zeros") << u"00000000000"_s << int(Kind::Information) << VatUnknownOffice << false;
        QTest::newRow("Roma 1") << u"00000000588"_s << int(Kind::Information) << vatValid(u"Roma 1"_s) << false;
        QTest::newRow("Monza") << u"00000000968"_s << int(Kind::Information) << vatValid(u"Monza (Milano 2)"_s)
                               << false;
        QTest::newRow("Bologna 2") << u"00000001206"_s << int(Kind::Information) << vatValid(u"Bologna 2"_s) << false;
        QTest::newRow("ten digits") << u"1234567890"_s << int(Kind::Warning) << VatLength << true;
    }
    void vatNumber()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        const auto [messages, open] = run<PartitaIvaWindow>(typed);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(int(messages.first().kind), kind);
        QCOMPARE(messages.first().text, message);
        QCOMPARE(open, stays);
    }

    void vatNumberHandedOverWithALetter()
    {
        // Letters cannot be typed, but the card may hand one over.
        const auto [messages, open] = run<PartitaIvaWindow>(QString(), u"1234567890A"_s);
        QCOMPARE(messages.first().text, VatWrong);
        QString shown;
        run<PartitaIvaWindow>(u"12a3-4"_s, QString(), &shown);
        QCOMPARE(shown, u"1234"_s);
    }

    // The digits-only box of the partita IVA: digits are typed, other
    // characters are not, editing keys always work, whatever character the
    // keyboard sends with them (Delete carries the control character 127).
    void digitsOnlyEditing_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("result");
        QTest::newRow("Delete") << u"12345"_s << 1 << QKeySequence(Qt::Key_Delete) << QString() << u"1345"_s;
        QTest::newRow("Backspace") << u"12345"_s << 2 << QKeySequence(Qt::Key_Backspace) << QString() << u"1345"_s;
        QTest::newRow("digits") << u""_s << 0 << QKeySequence(Qt::Key_1, Qt::Key_2) << QString() << u"12"_s;
        QTest::newRow("letter, blank, sign")
            << u"12"_s << 2 << QKeySequence(Qt::Key_A, Qt::Key_Space, Qt::Key_Minus) << QString() << u"12"_s;
        QTest::newRow("Home") << u"12345"_s << 3 << QKeySequence(Qt::Key_Home, Qt::Key_9) << QString() << u"912345"_s;
        QTest::newRow("End") << u"12345"_s << 0 << QKeySequence(Qt::Key_End, Qt::Key_6) << QString() << u"123456"_s;
        QTest::newRow("Shift+Home selects")
            << u"12345"_s << 3 << QKeySequence(Qt::SHIFT | Qt::Key_Home, QKeyCombination(Qt::Key_7)) << QString()
            << u"745"_s;
        QTest::newRow("select all, Delete")
            << u"12345"_s << 2
            << QKeySequence(QKeySequence(QKeySequence::SelectAll)[0], QKeyCombination(Qt::Key_Delete)) << QString()
            << u""_s;
        QTest::newRow("undo") << u"12345"_s << 5
                              << QKeySequence(QKeyCombination(Qt::Key_Backspace), QKeySequence(QKeySequence::Undo)[0])
                              << QString() << u"12345"_s;
        QTest::newRow("paste digits") << u"12345"_s << 5 << QKeySequence(QKeySequence::Paste) << u"678"_s
                                      << u"12345678"_s;
        QTest::newRow("paste with Shift+Insert")
            << u"12345"_s << 0 << QKeySequence(Qt::SHIFT | Qt::Key_Insert) << u"0"_s << u"012345"_s;
        QTest::newRow("paste of other text keeps its digits")
            << u"12345"_s << 5 << QKeySequence(QKeySequence::Paste) << u"6a7"_s << u"1234567"_s;
    }
    void digitsOnlyEditing()
    {
        QFETCH(QString, start);
        QFETCH(int, cursor);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, clipboard);
        QFETCH(QString, result);
        if (!clipboard.isNull())
            QGuiApplication::clipboard()->setText(clipboard);
        PartitaIvaWindow window(start);
        window.show();
        auto* field = window.findChild<QLineEdit*>(u"txtPartitaIva"_s);
        field->setCursorPosition(cursor);
        for (int i = 0; i < keys.count(); ++i)
            testsupport::pressKey(field, keys[i]);
        QCOMPARE(field->text(), result);
    }

    // What the card hands over is shown and judged whole, also when it is
    // longer than the box lets anyone type.
    void handedOverWhole_data()
    {
        QTest::addColumn<int>("window"); // as in enterOnTheCheckButton
        QTest::addColumn<QString>("handed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");
        QTest::newRow("partita IVA, 11 digits") << 1 << u"12345678903"_s << VatUnknownOffice << false;
        QTest::newRow("partita IVA, 12 digits") << 1 << u"123456789031"_s << VatLength << true;
        QTest::newRow("partita IVA, 16 digits") << 1 << u"1234567890312345"_s << VatLength << true;
        QTest::newRow("codice fiscale, 17 characters") << 0 << u"RSSMRA80A01H501UX"_s << CfLength << true;
        QTest::newRow("IBAN, 28 characters") << 3 << u"IT60X05428111010000001234567"_s << IbanLength << true;
    }
    void handedOverWhole()
    {
        QFETCH(int, window);
        QFETCH(QString, handed);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        testsupport::MessageRecorder messages;
        const auto checker = checkerWindow(window, handed);
        checker->show();
        QCOMPARE(checker->findChild<QLineEdit*>()->text(), handed);
        checker->findChild<QPushButton*>(u"btnControlla"_s)->click();
        QCOMPARE(messages.texts(), QStringList { message });
        QCOMPARE(checker->isVisible(), stays);
    }

    void handedOverTooLongThenShortened()
    {
        // Deleting brings the text back to the box's 11 characters, and no
        // further digit can then be typed.
        testsupport::MessageRecorder messages;
        PartitaIvaWindow window(u"123456789031"_s);
        window.show();
        auto* field = window.findChild<QLineEdit*>(u"txtPartitaIva"_s);
        field->setCursorPosition(12);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->cursorPosition(), 11);
        QTest::keyClick(field, Qt::Key_9);
        QCOMPARE(field->text(), u"12345678903"_s);
        field->setCursorPosition(0);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClick(field, Qt::Key_1);
        QTest::keyClick(field, Qt::Key_1);
        QCOMPARE(field->text(), u"12345678903"_s);
        window.findChild<QPushButton*>(u"btnControlla"_s)->click();
        QCOMPARE(messages.texts(), QStringList { VatUnknownOffice });
    }

    void vatOffices()
    {
        QCOMPARE(checks::vatOffice(u"001"_s), u"Torino"_s);
        QCOMPARE(checks::vatOffice(u"040"_s), u"Forlì"_s);
        QCOMPARE(checks::vatOffice(u"102"_s), u"Napoli 2"_s);
        QCOMPARE(checks::vatOffice(u"121"_s), u"Napoli 2"_s);
        QCOMPARE(checks::vatOffice(u"103"_s), QString());
        QCOMPARE(checks::vatOffice(u"000"_s), QString());
        int listed = 0;
        for (int code = 0; code < 1000; ++code)
            listed += checks::vatOffice(u"%1"_s.arg(code, 3, 10, QChar(u'0'))).isEmpty() ? 0 : 1;
        QCOMPARE(listed, 104);
    }

    void card_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");
        const QString visa16 = u"4111111111111111"_s;
        QTest::newRow("Visa") << visa16 << int(Kind::Information) << cardValid(visa16, u"Visa"_s) << false;
        QTest::newRow("Visa, last digit wrong") << u"4111111111111112"_s << int(Kind::Warning) << CardWrong << false;
        QTest::newRow("42") << u"42"_s << int(Kind::Information) << cardValid(u"42"_s, u"Visa"_s) << false;
        QTest::newRow("34") << u"34"_s << int(Kind::Information) << cardValid(u"34"_s, u"American Express"_s) << false;
        QTest::newRow("59") << u"59"_s << int(Kind::Information) << cardValid(u"59"_s, u"MasterCard"_s) << false;
        QTest::newRow("67") << u"67"_s << int(Kind::Information) << cardValid(u"67"_s, u"Discover"_s) << false;
        QTest::newRow("307") << u"307"_s << int(Kind::Information)
                             << cardValid(u"307"_s, u"Diner's Club / Carte Blanche"_s) << false;
        QTest::newRow("331") << u"331"_s << int(Kind::Information) << cardValid(u"331"_s, u"JCB"_s) << false;
        QTest::newRow("323, issuer unknown") << u"323"_s << int(Kind::Information)
                                             << u"Il numero di carta di credito 323 risulta valido.\r\n\r\n"
                                                u"Il tipo di carta di credito non è stato riconosciuto."_s
                                             << false;
        QTest::newRow("26") << u"26"_s << int(Kind::Warning) << CardWrong << false;
        QTest::newRow("18") << u"18"_s << int(Kind::Warning) << CardWrong << false;
        QTest::newRow("0") << u"0"_s << int(Kind::Warning) << CardWrong << false;
        // The first twenty digits decide: they pass as a Visa, the ten after them do not count.
        const QString thirty = u"41111111111111111115"_s + u"9999999999"_s;
        QTest::newRow("30 digits") << thirty << int(Kind::Information) << cardValid(thirty, u"Visa"_s) << false;
        QTest::newRow("empty") << u""_s << int(Kind::Warning) << CardEmpty << true;
    }
    void card()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        const auto [messages, open] = run<CardNumberWindow>(typed);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(int(messages.first().kind), kind);
        QCOMPARE(messages.first().text, message);
        QCOMPARE(open, stays);
    }

    void iban_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");
        QTest::newRow("valid") << u"IT60X0542811101000000123456"_s << int(Kind::Information) << IbanValid << false;
        QTest::newRow("lower case") << u"it60x0542811101000000123456"_s << int(Kind::Information) << IbanValid << false;
        QTest::newRow("two digits swapped")
            << u"IT60X0542811101000000124356"_s << int(Kind::Warning) << IbanWrong << false;
        QTest::newRow("German, 22 characters")
            << u"DE89370400440532013000"_s << int(Kind::Warning) << IbanLength << true;
        QTest::newRow("hyphen inside") << u"IT60X0542811101000000-23456"_s << int(Kind::Warning) << IbanWrong << false;
        QTest::newRow("empty") << u""_s << int(Kind::Warning) << IbanLength << true;
    }
    void iban()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        QString shown;
        const auto [messages, open] = run<IbanWindow>(typed, QString(), &shown);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(int(messages.first().kind), kind);
        QCOMPARE(messages.first().text, message);
        QCOMPARE(open, stays);
        QCOMPARE(shown, typed.toUpper());
    }

    void ibanWithABlankInside()
    {
        // A blank inside counts towards the 27 characters, then is removed.
        const auto [messages, open] = run<IbanWindow>(QString(), u"IT60 X054281110100000012345"_s);
        QCOMPARE(messages.first().text, IbanWrong);
        QVERIFY(!open);
        QCOMPARE(checks::ibanRemainder(u"IT60 X0542811101000000123456"_s), 1);
        QCOMPARE(checks::ibanRemainder(u"IBAN IT60X0542811101000000123456"_s), 1);
    }

    void piecewiseRemainder()
    {
        QRandomGenerator random(20240305);
        for (int i = 0; i < 300; ++i) {
            QString digits;
            const int length = 1 + int(random.bounded(60));
            for (int d = 0; d < length; ++d)
                digits += QChar(char16_t(u'0' + random.bounded(10)));
            // The remainder function moves the first four characters to the end.
            const QString rotated = digits.mid(4) + digits.left(4);
            QCOMPARE(checks::ibanRemainder(digits), remainderByDigits(rotated));
        }
    }
};

QTEST_MAIN(TestChecks)
#include "tst_checks.moc"
