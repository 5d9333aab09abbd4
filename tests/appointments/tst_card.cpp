#include "appointments/appointmentcard.h"
#include "support/layouts.h"
#include "support/programfixture.h"
#include "ui/datepicker.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "ui/report.h"

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using F = AppointmentField;

namespace {
const QString Inserted = u"La scheda corrente è stata inserita in archivio."_s;
const QString Rewritten = u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s;
const QString DateMissing = u"Attenzione: per salvare la scheda è necessario indicare la data dell'appuntamento."_s;
const QString TypeMissing = u"Attenzione: per salvare la scheda è necessario indicare la tipologia di impegno."_s;
const QString PurposeMissing
    = u"Attenzione: per salvare la scheda è necessario indicare la causale dell'appuntamento."_s;
const QString ContactMissing = u"Attenzione: per salvare la scheda è necessario indicare il nome del contatto."_s;
} // namespace

class TestCard : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    AppointmentCard* card() const { return program->card(); }
    void setPosition(const QString& p) const { card()->card().setPosition(p.toLongLong()); }
    QLineEdit* edit(const QString& name) const { return control<QLineEdit>(card(), name); }
    QComboBox* combo(const QString& name) const { return control<QComboBox>(card(), name); }
    QCheckBox* fulfilled() const { return control<QCheckBox>(card(), u"chkOttemperata"_s); }
    QString position() const { return control<QLabel>(card(), u"lblPosizione"_s)->text(); }
    void click(const QString& command) const { control<QToolButton>(card(), command)->click(); }

    void fillRequired(const QString& date = u"05/03/2024"_s)
    {
        edit(u"txtData"_s)->setText(date);
        edit(u"txtTipologia"_s)->setText(u"Riunione"_s);
        edit(u"txtCausale"_s)->setText(u"Verifica contratto"_s);
        edit(u"txtContatto"_s)->setText(u"Rossi Mario"_s);
    }
    void addRecords(int count)
    {
        for (int i = 1; i <= count; ++i)
            program->addAppointment(testsupport::appointment(
                u"0%1/03/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s, u"Causale %1"_s.arg(i), u"Contatto %1"_s.arg(i)));
    }
    void showCard()
    {
        card()->open();
        QVERIFY(testsupport::activate(card()));
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>();
        showCard();
    }
    void cleanup() { program.reset(); }

    void newCardValues()
    {
        QCOMPARE(position(), QString());
        QCOMPARE(combo(u"txtOreApp"_s)->currentText(), u"00"_s);
        QCOMPARE(combo(u"txtMinutiApp"_s)->currentText(), u"00"_s);
        QCOMPARE(combo(u"txtOreApp"_s)->currentIndex(), -1);
        QCOMPARE(edit(u"txtAvviso"_s)->text(), u"0"_s);
        QCOMPARE(edit(u"txtImporto"_s)->text(), u"0,00"_s);
        QCOMPARE(edit(u"txtImporto"_s)->alignment() & Qt::AlignRight, Qt::AlignRight);
        QCOMPARE(edit(u"txtCausale"_s)->maxLength(), 250);
        QCOMPARE(edit(u"txtTipologia"_s)->maxLength(), 50);
        QCOMPARE(card()->focusWidget(), edit(u"txtData"_s));
        QVERIFY(!control<QLabel>(card(), u"lblOra"_s)->isVisible());
        QCOMPARE(control<QLabel>(card(), u"panInfo"_s)->text(), u"Pronto per archiviare una nuova scheda..."_s);
    }

    // A date typed into the date field, its first key opening the picker:
    // only a real date of a sane year ever reaches the field and the record.
    void typedDates_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("field"); // afterwards
        QTest::newRow("a date") << u"10/12/2026"_s << u"10/12/2026"_s;
        QTest::newRow("days and months of one digit") << u"5/3/2027"_s << u"05/03/2027"_s;
        QTest::newRow("a day the month has not") << u"31/02/2027"_s << QString();
        QTest::newRow("a year out of range") << u"15/01/0471"_s << QString();
        QTest::newRow("half a date") << u"15/01"_s << QString();
        QTest::newRow("letters") << u"1o/12/2026"_s << QString();
    }
    void typedDates()
    {
        QFETCH(QString, keys);
        QFETCH(QString, field);
        QCOMPARE(testsupport::typeDate(edit(u"txtData"_s), keys), !field.isEmpty());
        QCOMPARE(edit(u"txtData"_s)->text(), field);
        if (field.isEmpty()) {
            QCOMPARE(program->messages.texts().size(), 1);
            QVERIFY2(program->messages.texts().first().contains(u"non è valida"_s),
                qPrintable(program->messages.texts().first()));
            return;
        }
        edit(u"txtTipologia"_s)->setText(u"Riunione"_s);
        edit(u"txtCausale"_s)->setText(u"Verifica contratto"_s);
        edit(u"txtContatto"_s)->setText(u"Rossi Mario"_s);
        click(u"cmdSalva"_s);
        QCOMPARE(program->appointmentBytes(1).mid(1, 10), field.toLatin1());
    }

    // A changed card is never left without the question: Sì saves, No gives
    // the change up, Annulla stays on the card with the change; by the
    // arrows, a new card, the screen's closing (Esc, Esci, the window's
    // close) alike. An unchanged card is left without a question.
    void leavingAChangedCard_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("answer"); // -1: the card is not changed
        for (const QString& way : { u"cmdAvanti"_s, u"cmdNuovo"_s, u"close"_s }) {
            QTest::addRow("%s, unchanged", qPrintable(way)) << way << -1;
            QTest::addRow("%s, Sì", qPrintable(way)) << way << int(ui::Answer::Yes);
            QTest::addRow("%s, No", qPrintable(way)) << way << int(ui::Answer::No);
            QTest::addRow("%s, Annulla", qPrintable(way)) << way << int(ui::Answer::Cancel);
        }
    }
    void leavingAChangedCard()
    {
        QFETCH(QString, way);
        QFETCH(int, answer);
        addRecords(2);
        click(u"cmdPrimo"_s);
        QCOMPARE(position(), u"1"_s);
        QVERIFY(program->messages.texts().isEmpty());
        if (answer >= 0) {
            edit(u"txtCausale"_s)->setText(u"Causale cambiata"_s);
            program->messages.queueAnswer(ui::Answer(answer));
        }
        if (way == u"close"_s)
            card()->close();
        else
            click(way);
        const bool stays = answer == int(ui::Answer::Cancel);
        if (answer >= 0)
            QCOMPARE(program->messages.texts().value(0), u"Salvare le modifiche alla scheda?"_s);
        else
            QVERIFY(program->messages.texts().isEmpty());
        const QString saved = AppointmentView(program->appointmentBytes(1).constData()).text(AppointmentField::purpose);
        QCOMPARE(saved, answer == int(ui::Answer::Yes) ? u"Causale cambiata"_s : u"Causale 1"_s);
        QCOMPARE(card()->isVisible(), way != u"close"_s || stays);
        if (stays) {
            QCOMPARE(position(), u"1"_s);
            QCOMPARE(edit(u"txtCausale"_s)->text(), u"Causale cambiata"_s);
        } else if (way == u"cmdAvanti"_s) {
            QCOMPARE(position(), u"2"_s);
        } else if (way == u"cmdNuovo"_s) {
            QCOMPARE(position(), QString());
        }
        QCOMPARE(archive::count(program->appointments(), AppointmentRecord::Size), 2);
    }

    void saveAppendsThenRewrites()
    {
        // The date comes from the picker, which opens on today.
        testsupport::whenModal([](QWidget* picker) {
            auto* calendar = picker->findChild<QCalendarWidget*>(u"calAppuntamenti"_s);
            QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 10));
            calendar->setSelectedDate(QDate(2024, 3, 5));
            picker->findChild<QPushButton*>(u"btnImportaData"_s)->click();
        });
        QTest::keyClick(edit(u"txtData"_s), Qt::Key_Return);
        QCOMPARE(edit(u"txtData"_s)->text(), u"05/03/2024"_s);
        edit(u"txtTipologia"_s)->setText(u"Riunione"_s);
        edit(u"txtCausale"_s)->setText(u"Verifica contratto"_s);
        edit(u"txtContatto"_s)->setText(u"Rossi Mario"_s);
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { Inserted });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Information);
        QCOMPARE(position(), u"1"_s);

        const QByteArray b = program->appointmentBytes(1);
        QCOMPARE(b.mid(0, 11),
            QByteArray("\x0A"
                       "05/03/2024"));
        QCOMPARE(b.mid(11, 3),
            QByteArray("\x02"
                       "00"));
        QCOMPARE(b.mid(14, 3),
            QByteArray("\x02"
                       "00"));
        QCOMPARE(b.mid(17, 6),
            QByteArray("\x05"
                       "00:00"));
        QCOMPARE(b.mid(23, 2),
            QByteArray("\x01"
                       "0"));
        QCOMPARE(b.mid(testsupport::appointmentBytes::Amount, 5),
            QByteArray("\x04"
                       "0,00"));
        QCOMPARE(b.mid(testsupport::appointmentBytes::Fulfilled, 3), QByteArray("\x02\x4E\x6F"));

        program->messages.clear();
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { Rewritten });
        QCOMPARE(position(), u"1"_s);
        QCOMPARE(QFileInfo(program->appointments()).size(), AppointmentRecord::Size);
    }

    void requiredFields()
    {
        // Everything empty: only the date message.
        edit(u"txtImporto"_s)->clear();
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { DateMissing });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(card()->focusWidget(), edit(u"txtData"_s));
        const QList<std::pair<QString, QString>> steps = { { u"txtData"_s, TypeMissing },
            { u"txtTipologia"_s, PurposeMissing }, { u"txtCausale"_s, ContactMissing } };
        for (const auto& [fill, next] : steps) {
            edit(fill)->setText(fill == u"txtData"_s ? u"05/03/2024"_s : u"x"_s);
            program->messages.clear();
            click(u"cmdSalva"_s);
            QCOMPARE(program->messages.texts(), QStringList { next });
        }
        // Notice days emptied by the user come back as 0, so the save goes through.
        edit(u"txtContatto"_s)->setText(u"y"_s);
        edit(u"txtAvviso"_s)->clear();
        program->messages.clear();
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { Inserted });
        QCOMPARE(edit(u"txtAvviso"_s)->text(), u"0"_s);
        QCOMPARE(edit(u"txtImporto"_s)->text(), u"0,00"_s);
    }

    void nextWalksToTheEnd()
    {
        addRecords(3);
        QStringList seen;
        for (int i = 0; i < 5; ++i) {
            click(u"cmdAvanti"_s);
            seen << position();
        }
        QCOMPARE(seen, (QStringList { u"1"_s, u"2"_s, u"3"_s, u"3"_s, u"3"_s }));
        QVERIFY(program->messages.messages().isEmpty());
    }

    void amountOnLeaving_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << u""_s << u"0,00"_s;
        QTest::newRow("1250") << u"1250"_s << u"1250,00"_s;
        QTest::newRow(",5") << u",5"_s << u"0,50"_s;
        QTest::newRow("2,999") << u"2,999"_s << u"3,00"_s;
        QTest::newRow("1,2,3") << u"1,2,3"_s << u"0,00"_s;
        QTest::newRow("7") << u"7"_s << u"7,00"_s;
        QTest::newRow("12,5") << u"12,5"_s << u"12,50"_s;
        QTest::newRow("3,456") << u"3,456"_s << u"3,46"_s;
        QTest::newRow("1,005") << u"1,005"_s << u"1,01"_s;
        QTest::newRow("letters are not typed") << u"1a2.5"_s << u"125,00"_s;
    }
    void amountOnLeaving()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QLineEdit* amount = edit(u"txtImporto"_s);
        amount->setFocus();
        amount->clear();
        testsupport::typeText(amount, typed);
        edit(u"txtNote"_s)->setFocus();
        QCOMPARE(amount->text(), shown);
    }

    void editingKeysPassTheAmountFilter()
    {
        QLineEdit* amount = edit(u"txtImporto"_s);
        amount->setFocus();
        amount->setText(u"12,50"_s);
        amount->setCursorPosition(0);
        // A desktop keyboard's Delete carries the character 0x7F.
        QTest::sendKeyEvent(QTest::Click, amount, Qt::Key_Delete, QString(QChar(0x7f)), Qt::NoModifier);
        QCOMPARE(amount->text(), u"2,50"_s);
        QTest::keyClick(amount, Qt::Key_End);
        QTest::keyClick(amount, Qt::Key_Backspace);
        QTest::keyClick(amount, Qt::Key_Z, Qt::ControlModifier); // undo
        QCOMPARE(amount->text(), u"2,50"_s);
    }

    void restoringTheWindowKeepsTheCard()
    {
        fillRequired();
        setPosition(u"3"_s);
        card()->showMinimized();
        card()->hide(); // what the window system does on minimising and restoring
        card()->showNormal();
        QCOMPARE(edit(u"txtCausale"_s)->text(), u"Verifica contratto"_s);
        QCOMPARE(position(), u"3"_s);
        card()->close();
        card()->open(); // opening it again is a new card
        QCOMPARE(edit(u"txtCausale"_s)->text(), QString());
        QCOMPARE(position(), QString());
    }

    // Hours and minutes are typed or stepped with the arrows from what the
    // box shows (the first arrow after Tab included); what does not begin an
    // item of the list is refused, and leaving completes "7" to "07".
    void hoursAndMinutesTypedOrStepped_data()
    {
        QTest::addColumn<QString>("hourKeys"); // "v" and "^" for the arrows
        QTest::addColumn<QString>("minuteKeys");
        QTest::addColumn<QString>("time");
        QTest::newRow("typed") << u"14"_s << u"35"_s << u"14:35"_s;
        QTest::newRow("one digit") << u"7"_s << u"5"_s << u"07:05"_s;
        QTest::newRow("refused keys") << u"2x5"_s << u"6a"_s << u"02:06"_s;
        QTest::newRow("arrows") << u"vvv"_s << u"^v^"_s << u"03:00"_s;
        QTest::newRow("typed then stepped") << u"09v"_s << u"30^^"_s << u"10:28"_s;
    }
    void hoursAndMinutesTypedOrStepped()
    {
        QFETCH(QString, hourKeys);
        QFETCH(QString, minuteKeys);
        QFETCH(QString, time);
        fillRequired();
        for (const auto& [name, keys] :
            { std::pair { u"txtOreApp"_s, hourKeys }, std::pair { u"txtMinutiApp"_s, minuteKeys } }) {
            QComboBox* box = combo(name);
            box->setFocus(); // as Tab gives it: the text stays, no item chosen
            box->lineEdit()->selectAll();
            for (const QChar c : keys) {
                if (c == u'v' || c == u'^')
                    testsupport::pressKey(box, c == u'v' ? Qt::Key_Down : Qt::Key_Up);
                else
                    testsupport::typeText(box, QString(c));
            }
        }
        edit(u"txtNote"_s)->setFocus();
        click(u"cmdSalva"_s);
        const AppointmentRecord r = AppointmentRecord::fromBytes(program->appointmentBytes(1).constData());
        QCOMPARE(r.text(F::time), time);
        QCOMPARE(r.text(F::hour) + u':' + r.text(F::minute), time);
    }

    void hourOutsideTheListIsEmptied()
    {
        fillRequired();
        QComboBox* hour = combo(u"txtOreApp"_s);
        hour->setFocus();
        QCOMPARE(hour->currentIndex(), -1);
        hour->lineEdit()->selectAll();
        QApplication::clipboard()->setText(u"24"_s);
        QTest::keyClick(hour->lineEdit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(hour->currentText(), u"24"_s);
        combo(u"txtMinutiApp"_s)->setCurrentIndex(30);
        edit(u"txtNote"_s)->setFocus();
        QCOMPARE(hour->currentText(), QString());
        click(u"cmdSalva"_s);
        const AppointmentRecord r = AppointmentRecord::fromBytes(program->appointmentBytes(1).constData());
        QCOMPARE(r.text(F::hour), QString());
        QCOMPARE(r.text(F::time), u":30"_s);
    }

    void duplicateAppendsANewRecord()
    {
        addRecords(6);
        setPosition(u"4"_s);
        click(u"cmdAvanti"_s);
        QCOMPARE(position(), u"5"_s);
        fulfilled()->setChecked(true);
        const QByteArray before = program->appointmentBytes(5);
        click(u"cmdDuplica"_s);
        QCOMPARE(program->messages.texts(),
            QStringList { u"E' ora possibile apportare le proprie modifiche alla scheda corrente.\n\r\n\r"
                          u"Al termine premere Salva per inserire la scheda in archivio."_s });
        QCOMPARE(position(), QString());
        QCOMPARE(edit(u"txtData"_s)->text(), QString());
        QVERIFY(fulfilled()->isChecked());
        QCOMPARE(edit(u"txtCausale"_s)->text(), u"Causale 5"_s);
        edit(u"txtData"_s)->setText(u"20/03/2024"_s);
        click(u"cmdSalva"_s);
        QCOMPARE(position(), u"7"_s);
        QCOMPARE(program->appointmentBytes(5), before);
        const AppointmentRecord copy = AppointmentRecord::fromBytes(program->appointmentBytes(7).constData());
        QCOMPARE(copy.text(F::purpose), u"Causale 5"_s);
        QCOMPARE(copy.text(F::date), u"20/03/2024"_s);
        QVERIFY(copy.isYes(F::fulfilled));
        click(u"cmdNuovo"_s);
        QVERIFY(!fulfilled()->isChecked());
    }

    void duplicateOfANewCard()
    {
        click(u"cmdDuplica"_s);
        QCOMPARE(program->messages.texts(),
            QStringList { u"Attenzione: la duplicazione di una scheda può avvenire soltanto dopo che questa è "
                          u"stata inserita in archivio."_s });
    }

    void flagNeitherYesNorNoKeepsTheBox()
    {
        program->addAppointment(
            testsupport::appointment(u"01/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"a"_s, u"b"_s, true));
        AppointmentRecord zero = testsupport::appointment(u"02/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"c"_s, u"d"_s);
        std::memset(zero.data() + testsupport::appointmentBytes::Fulfilled, 0, 3);
        program->addAppointment(zero);
        click(u"cmdPrimo"_s);
        QVERIFY(fulfilled()->isChecked());
        click(u"cmdAvanti"_s);
        QCOMPARE(edit(u"txtCausale"_s)->text(), u"c"_s);
        QVERIFY(fulfilled()->isChecked());
    }

    void accessFailureKeepsTheCard()
    {
        fillRequired();
        testsupport::ReadOnlyFolder readOnly(program->folder.path());
        if (!readOnly.ok())
            QSKIP("this file system cannot make a folder read-only");
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.messages().size(), 1);
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Error);
        QCOMPARE(program->messages.messages().first().text,
            u"Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\rAccertarsi di possedere i "
            u"privilegi di scrittura nella cartella di installazione del programma."_s);
        QCOMPARE(position(), QString());
        QCOMPARE(edit(u"txtCausale"_s)->text(), u"Verifica contratto"_s);
    }

    void datePicker_data()
    {
        QTest::addColumn<bool>("withField");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("import") << true << u"btnImportaData"_s << u"15/03/2024"_s << false;
        QTest::newRow("cancel") << true << u"btnAnnulla"_s << u"01/01/2000"_s << false;
        QTest::newRow("no field to fill") << false << u"btnImportaData"_s << u"01/01/2000"_s << true;
    }
    void datePicker()
    {
        QFETCH(bool, withField);
        QFETCH(QString, button);
        QFETCH(QString, date);
        QFETCH(bool, staysOpen);
        edit(u"txtData"_s)->setText(u"01/01/2000"_s);
        ui::DatePicker picker(withField ? edit(u"txtData"_s) : nullptr, card());
        picker.show();
        picker.findChild<QCalendarWidget*>()->setSelectedDate(QDate(2024, 3, 15));
        picker.findChild<QPushButton*>(button)->click();
        QCOMPARE(edit(u"txtData"_s)->text(), date);
        QCOMPARE(picker.isVisible(), staysOpen);
    }

    void dateFieldKeys()
    {
        edit(u"txtData"_s)->setText(u"05/03/2024"_s);
        QTest::keyClick(edit(u"txtData"_s), Qt::Key_Backspace);
        QCOMPARE(edit(u"txtData"_s)->text(), QString());
        int pickers = 0;
        testsupport::whenModal([&](QWidget* picker) {
            ++pickers;
            picker->close();
        });
        QTest::keyClick(edit(u"txtData"_s), Qt::Key_A);
        QCOMPARE(pickers, 1);
        QCOMPARE(edit(u"txtData"_s)->text(), QString());
    }

    void enterCycle()
    {
        const QStringList cycle
            = { u"txtAvviso"_s, u"txtTipologia"_s, u"txtCausale"_s, u"txtDettagli"_s, u"txtContatto"_s, u"txtTel"_s,
                  u"txtCel"_s, u"txtEmail"_s, u"txtLuogo"_s, u"txtImporto"_s, u"txtNote"_s, u"txtData"_s };
        combo(u"txtMinutiApp"_s)->setFocus();
        QTest::keyClick(card()->focusWidget(), Qt::Key_Return);
        for (qsizetype i = 0; i + 1 < cycle.size(); ++i) {
            QCOMPARE(card()->focusWidget()->objectName(), cycle[i]);
            QTest::keyClick(card()->focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(card()->focusWidget(), edit(u"txtData"_s));
    }

    void emailTrimmedAndMailed()
    {
        testsupport::typeText(edit(u"txtEmail"_s), u"  mario@example.it "_s);
        QCOMPARE(edit(u"txtEmail"_s)->text(), u"mario@example.it"_s);
        click(u"btnEmail"_s);
        edit(u"txtEmail"_s)->clear();
        click(u"btnEmail"_s);
        QCOMPARE(program->shellOpens.opened, (QStringList { u"\"mailto:mario@example.it\""_s, u"\"mailto:\""_s }));
    }

    void statusLineFollowsThePointer()
    {
        auto* line = control<QLabel>(card(), u"panInfo"_s);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(control<QToolButton>(card(), u"cmdSalva"_s), &enter);
        QCOMPARE(line->text(), u"Salva la scheda corrente in archivio."_s);
        QMouseEvent move(
            QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(control<QWidget>(card(), u"panCorpo"_s), &move);
        QCOMPARE(line->text(), QString());
    }

    void printedCard()
    {
        fillRequired();
        combo(u"txtOreApp"_s)->setEditText(QString());
        combo(u"txtMinutiApp"_s)->setEditText(QString());
        edit(u"txtLuogo"_s)->setText(u"Roma, via [x] = 1"_s);
        edit(u"txtNote"_s)->setText(u"Rinviato a [DATE]"_s);
        fulfilled()->setChecked(true);
        testsupport::whenModal([](QWidget* confirm) {
            QCOMPARE(confirm->windowTitle(), u" Stampa scheda"_s);
            confirm->findChild<QPushButton*>(u"btnStampa"_s)->click();
        });
        click(u"cmdStampa"_s);
        const QStringList pages = testsupport::pdfText(program->pdf);
        QCOMPARE(pages.size(), 1); // the thirteen rows and the footer on one page
        const QString text = pages.join(QString());
        for (const QString& expected :
            { u"SCHEDA INFORMATIVA APPUNTAMENTO"_s, u"Data appuntamento:"_s, u"Ora:"_s, u"Tipologia:"_s, u"Causale:"_s,
                u"Dettagli:"_s, u"Persona / Ditta:"_s, u"Telefono:"_s, u"Cellulare:"_s, u"E-mail:"_s, u"Luogo:"_s,
                u"Importo:"_s, u"Note:"_s, u"Impegno assolto:"_s, u"05/03/2024"_s, u"Riunione"_s,
                u"Rinviato a [DATE]"_s, u"Verifica contratto"_s, u"Rossi Mario"_s, u"Roma, via [x] = 1"_s, u"0,00"_s,
                u"Sì"_s, u"Stampa eseguita in data 10/03/2024 alle ore 09:05:30"_s })
            QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(text.contains(QRegularExpression(u"Ora:\\s+:\\s"_s))); // both boxes empty: the colon alone
    }

    void previewShowsTheCard()
    {
        fillRequired();
        QStringList previewed;
        report::printer::setPreviewHandler([&](const report::Template& t) {
            for (const report::Page& page : t.pages())
                for (const report::PlacedObject& o : page.objects)
                    previewed << o.lines;
        });
        testsupport::whenModal([](QWidget* confirm) {
            QCOMPARE(confirm->windowTitle(), u" Anteprima di stampa"_s);
            confirm->findChild<QPushButton*>(u"btnStampa"_s)->click();
        });
        click(u"cmdAnteprima"_s);
        QVERIFY(previewed.contains(u"Verifica contratto"_s));
    }
};

QTEST_MAIN(TestCard)
#include "tst_card.moc"
