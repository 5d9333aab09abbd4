#include "shell/mainmenu.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "summaries/periodsummary.h"
#include "summaries/summariesmenu.h"
#include "support/programfixture.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;

class TestSummaries : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    SummariesMenu* menu() const { return program->screens->summaries(); }
    QLineEdit* edit(const QString& name) const { return control<QLineEdit>(menu(), name); }
    QComboBox* list(const QString& name) const { return control<QComboBox>(menu(), name); }
    // The control that has the focus of a window (the menu by default), as
    // the window keeps it: whether the window system has activated the
    // window yet does not matter.
    QString focused(QWidget* window = nullptr) const
    {
        QWidget* focus = (window ? window : menu())->focusWidget();
        return focus ? focus->objectName() : QString();
    }

    void openFromTheMainMenu()
    {
        program->menu()->show();
        control<QToolButton>(program->menu(), u"btnApp03"_s)->click();
        QVERIFY(testsupport::activate(menu()));
    }
    // A pick from a drop-down list, as the user makes it.
    void pick(const QString& name, const QString& item) const
    {
        QComboBox* box = list(name);
        box->setCurrentIndex(box->findText(item));
    }
    void choosePeriod(
        const QString& startDay, const QString& startMonth, const QString& endDay, const QString& endMonth) const
    {
        pick(u"txtGiornoInizio"_s, startDay);
        pick(u"txtMeseInizio"_s, startMonth);
        pick(u"txtGiornoFine"_s, endDay);
        pick(u"txtMeseFine"_s, endMonth);
    }
    void addAppointment(const QString& date, const QString& purpose, const QString& contact, const QString& amount)
    {
        AppointmentRecord r = testsupport::appointment(date, u"10"_s, u"00"_s, u"0"_s, purpose, contact);
        r.setText(AppointmentField::amount, amount);
        program->addAppointment(r);
    }
    static PeriodSummary* summaryOf(QWidget* modal)
    {
        auto* summary = qobject_cast<PeriodSummary*>(modal);
        if (!summary)
            qFatal("the modal screen is %s, not the summary", qPrintable(modal->objectName()));
        return summary;
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10));
        openFromTheMainMenu();
    }
    void cleanup() { program.reset(); }

    void checks_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QStringList>("period"); // start day, start month, end day, end month
        QTest::addColumn<QString>("message");    // empty: the summary opens
        QTest::addColumn<QString>("focus");
        const QString valid = u"Per poter visualizzare il riepilogo è necessario indicare una data valida."_s;
        const QStringList year = { u"01"_s, u"Gennaio"_s, u"31"_s, u"Dicembre"_s };
        QTest::newRow("three digits") << u"202"_s << year
                                      << u"Attenzione: indicare l'anno solare utilizzando quattro cifre."_s
                                      << u"txtAnno"_s;
        const char* names[] = { "txtGiornoInizio", "txtMeseInizio", "txtGiornoFine", "txtMeseFine" };
        const char16_t* what[]
            = { u"il giorno di inizio", u"il mese di inizio", u"il giorno di fine", u"il mese di fine" };
        for (int i = 0; i < 4; ++i) {
            QStringList period = year;
            period[i].clear();
            QTest::addRow("no %s", names[i]) << u"2024"_s << period
                                             << u"Attenzione: indicare "_s + QString::fromUtf16(what[i])
                    + u" intervallo selezionandolo dall'elenco a cascata."_s
                                             << QString::fromLatin1(names[i]);
        }
        QTest::newRow("31 February") << u"2024"_s << QStringList { u"31"_s, u"Febbraio"_s, u"31"_s, u"Dicembre"_s }
                                     << u"Attenzione: la data 31/02/2024 di inizio intervallo non esiste.\n\r\n\r"_s
                + valid << u"txtGiornoInizio"_s;
        QTest::newRow("29 February 2023")
            << u"2023"_s << QStringList { u"01"_s, u"Gennaio"_s, u"29"_s, u"Febbraio"_s }
            << u"Attenzione: la data 29/02/2023 di fine intervallo non esiste.\n\r\n\r"_s + valid << u"txtGiornoFine"_s;
        QTest::newRow("29 February 2024")
            << u"2024"_s << QStringList { u"01"_s, u"Gennaio"_s, u"29"_s, u"Febbraio"_s } << u""_s << u""_s;
        QTest::newRow("end before start")
            << u"2024"_s << QStringList { u"10"_s, u"Marzo"_s, u"01"_s, u"Marzo"_s }
            << u"Attenzione: la data di fine intervallo (01/03/2024) non può essere anteriore a quella di inizio "
               u"intervallo (10/03/2024).\n\r\n\rPer poter visualizzare il riepilogo è necessario indicare un "
               u"intervallo "
               u"di tempo valido."_s
            << u"txtGiornoFine"_s;
        QTest::newRow("same day") << u"2024"_s << QStringList { u"10"_s, u"Marzo"_s, u"10"_s, u"Marzo"_s } << u""_s
                                  << u""_s;
    }
    void checks()
    {
        QFETCH(QString, year);
        QFETCH(QStringList, period);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        edit(u"txtAnno"_s)->setText(year);
        choosePeriod(period[0], period[1], period[2], period[3]);
        QString opened;
        if (message.isEmpty())
            testsupport::whenModal([&](QWidget* modal) {
                opened = modal->objectName() + u" "_s + control<QLabel>(modal, u"lblIntervallo"_s)->text();
                QVERIFY(control<QLabel>(menu(), u"lblAttendere"_s)->isVisible());
                control<QToolButton>(modal, u"btnEsci"_s)->click();
            });
        control<QToolButton>(menu(), u"btnVisualizza"_s)->click();
        QVERIFY(!control<QLabel>(menu(), u"lblAttendere"_s)->isVisible());
        if (message.isEmpty()) {
            QVERIFY(program->messages.texts().isEmpty());
            const QString end = period[2] + u"/"_s + (period[3] == u"Marzo"_s ? u"03"_s : u"02"_s);
            QCOMPARE(opened,
                u"frmRiepCosti Dal   "_s + period[0] + u"/"_s + (period[1] == u"Marzo"_s ? u"03"_s : u"01"_s)
                    + u"/2024   al   "_s + end + u"/2024"_s);
            return;
        }
        QCOMPARE(program->messages.texts(), QStringList { message });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(focused(), focus);
    }

    void eachShowingFromTheMainMenuStartsAfresh()
    {
        edit(u"txtAnno"_s)->setText(u"2023"_s);
        edit(u"txtCliente"_s)->setText(u"Rossi"_s);
        edit(u"txtTarga"_s)->setText(u"fattura"_s);
        choosePeriod(u"01"_s, u"Marzo"_s, u"31"_s, u"Marzo"_s);
        testsupport::whenModal([](QWidget* modal) { modal->close(); });
        control<QToolButton>(menu(), u"btnVisualizza"_s)->click();
        // Back from the summary: nothing was reset.
        QCOMPARE(edit(u"txtCliente"_s)->text(), u"Rossi"_s);
        QCOMPARE(list(u"txtMeseFine"_s)->currentText(), u"Marzo"_s);
        QCOMPARE(control<QLabel>(menu(), u"lblAnnoFine"_s)->text(), u"2023"_s);

        control<QToolButton>(menu(), u"btnEsci"_s)->click();
        QVERIFY(!menu()->isVisible());
        QVERIFY(program->menu()->isVisible());
        control<QToolButton>(program->menu(), u"imgApp03"_s)->click();
        QVERIFY(testsupport::activate(menu()));
        QCOMPARE(edit(u"txtAnno"_s)->text(), u"2024"_s);
        QCOMPARE(control<QLabel>(menu(), u"lblAnnoInizio"_s)->text(), u"2024"_s);
        QCOMPARE(control<QLabel>(menu(), u"lblAnnoFine"_s)->text(), u"2024"_s);
        for (const QString& name : { u"txtCliente"_s, u"txtTarga"_s })
            QCOMPARE(edit(name)->text(), QString());
        for (const QString& name : { u"txtGiornoInizio"_s, u"txtMeseInizio"_s, u"txtGiornoFine"_s, u"txtMeseFine"_s })
            QCOMPARE(list(name)->currentText(), QString());
        QCOMPARE(focused(), u"txtCliente"_s);
    }

    void listsKeepOnlyTheirItemsOnLeaving_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::newRow("day 32") << u"txtGiornoInizio"_s << u"32"_s << u""_s;
        QTest::newRow("day 1 without its zero") << u"txtGiornoFine"_s << u"1"_s << u"01"_s;
        QTest::newRow("day 31") << u"txtGiornoFine"_s << u"31"_s << u"31"_s;
        QTest::newRow("beginning of one month") << u"txtMeseInizio"_s << u"Gen"_s << u"Gennaio"_s;
        QTest::newRow("beginning of two months") << u"txtMeseInizio"_s << u"ma"_s << u""_s;
        QTest::newRow("month in small letters") << u"txtMeseFine"_s << u"gennaio"_s << u"Gennaio"_s;
    }
    void listsKeepOnlyTheirItemsOnLeaving()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QComboBox* field = list(box);
        field->setFocus();
        field->setEditText(text);
        edit(u"txtTarga"_s)->setFocus();
        QCOMPARE(field->currentText(), kept);
    }

    void keysOfTheMenu()
    {
        // The year takes digits only, and the two labels follow it.
        QLineEdit* year = edit(u"txtAnno"_s);
        year->clear();
        testsupport::typeText(year, u"2a0b2-5"_s);
        QCOMPARE(year->text(), u"2025"_s);
        QCOMPARE(control<QLabel>(menu(), u"lblAnnoInizio"_s)->text(), u"2025"_s);
        // The lists: what is typed must begin one of their items, typing over
        // a whole value starts a new one, the arrows choose the item after or
        // before the one shown, Backspace and Delete empty them, entering one
        // resets its chosen item.
        QComboBox* day = list(u"txtGiornoInizio"_s);
        pick(u"txtGiornoInizio"_s, u"15"_s);
        day->setFocus();
        QCOMPARE(day->currentIndex(), -1);
        QCOMPARE(day->currentText(), u"15"_s);
        testsupport::pressKey(day, Qt::Key_Down);
        QCOMPARE(day->currentText(), u"16"_s);
        testsupport::pressKey(day, Qt::Key_Up);
        testsupport::pressKey(day, Qt::Key_Up);
        QCOMPARE(day->currentText(), u"14"_s);
        testsupport::typeText(day, u"7x"_s);
        QCOMPARE(day->currentText(), u"7"_s);
        testsupport::typeText(day, u"9"_s); // no day 79
        QCOMPARE(day->currentText(), u"7"_s);
        QComboBox* month = list(u"txtMeseInizio"_s);
        month->setFocus();
        QCOMPARE(day->currentText(), u"07"_s);
        testsupport::typeText(month, u"maxg"_s);
        QCOMPARE(month->currentText(), u"mag"_s);
        testsupport::pressKey(month, Qt::Key_Down); // from what it shows: Maggio, then Giugno
        QCOMPARE(month->currentText(), u"Giugno"_s);
        testsupport::pressKey(month, Qt::Key_Backspace);
        QCOMPARE(month->currentText(), QString());
        testsupport::pressKey(day, Qt::Key_Backspace);
        QCOMPARE(day->currentText(), QString());
        pick(u"txtMeseInizio"_s, u"Aprile"_s);
        testsupport::pressKey(list(u"txtMeseInizio"_s), Qt::Key_Delete);
        QCOMPARE(list(u"txtMeseInizio"_s)->currentText(), QString());
        // Enter walks the fields up to the command, and on it runs the command.
        year->setFocus();
        const QStringList chain = { u"txtCliente"_s, u"txtTarga"_s, u"txtGiornoInizio"_s, u"txtMeseInizio"_s,
            u"txtGiornoFine"_s, u"txtMeseFine"_s, u"btnVisualizza"_s };
        for (const QString& next : chain) {
            QTest::keyClick(menu()->focusWidget(), Qt::Key_Return);
            QCOMPARE(focused(), next);
        }
        QTest::keyClick(menu()->focusWidget(), Qt::Key_Return);
        QCOMPARE(program->messages.texts(),
            QStringList {
                u"Attenzione: indicare il giorno di inizio intervallo selezionandolo dall'elenco a cascata."_s });
    }

    // The main path: a contact imported through the contact search, a year's
    // summary of that contact, and its print with the total.
    void importedContactSummaryPrintsWithItsTotal()
    {
        ContactRecord contact;
        contact.setText(ContactField::fullName, u"Rossi Mario"_s);
        contact.setText(ContactField::mobilePhone, u"333 7654321"_s);
        archive::append(programFolder::file(programFolder::Contacts), ContactRecord::Size, contact.data());
        addAppointment(u"05/02/2024"_s, u"Consulenza"_s, u"Rossi Mario"_s, u"150,00"_s);
        addAppointment(u"06/02/2024"_s, u"Altro cliente"_s, u"Bianchi Anna"_s, u"99,00"_s);
        addAppointment(u"20/11/2024"_s, u"Saldo fattura"_s, u"ROSSI MARIO"_s, u"1200,5"_s);
        addAppointment(u"03/01/2025"_s, u"Anno dopo"_s, u"Rossi Mario"_s, u"7,00"_s);
        edit(u"txtTarga"_s)->setText(u" "_s);
        choosePeriod(u"01"_s, u"Gennaio"_s, u"31"_s, u"Dicembre"_s);

        testsupport::whenModal([](QWidget* search) {
            control<QPushButton>(search, u"btnCerca"_s)->click();
            auto* found = control<QListView>(search, u"lstRecords"_s);
            QTest::mouseDClick(
                found->viewport(), Qt::LeftButton, {}, found->visualRect(found->model()->index(0, 0)).center());
        });
        control<QToolButton>(menu(), u"impCliente"_s)->click();
        QCOMPARE(edit(u"txtCliente"_s)->text(), u"Rossi Mario"_s);
        QCOMPARE(edit(u"txtTarga"_s)->text(), u" "_s);
        QCOMPARE(edit(u"txtAnno"_s)->text(), u"2024"_s);
        QCOMPARE(list(u"txtGiornoFine"_s)->currentText(), u"31"_s);

        QStringList listed;
        QString total, title, count;
        testsupport::whenModal([&](QWidget* modal) {
            PeriodSummary* summary = summaryOf(modal);
            QCOMPARE(focused(summary), u"txtTrova"_s);
            QTest::keyClick(control<QLineEdit>(summary, u"txtTrova"_s), Qt::Key_Return); // no Enter handling
            QCOMPARE(focused(summary), u"txtTrova"_s);
            listed = testsupport::listedLines(summary);
            total = control<QLabel>(summary, u"lblTotCosti"_s)->text();
            title = control<QLabel>(summary, u"titTipologia"_s)->text();
            count = control<QLabel>(summary, u"lblConta"_s)->text();
            control<QToolButton>(summary, u"btnStampa"_s)->click();
            control<QToolButton>(summary, u"btnEsci"_s)->click();
        });
        control<QToolButton>(menu(), u"btnVisualizza"_s)->click();
        QCOMPARE(listed.size(), 2);
        QVERIFY(listed[0].startsWith(u"ID: 202402051000"_s) && listed[1].startsWith(u"ID: 202411201000"_s));
        QCOMPARE(total, u"1350,50"_s);
        QCOMPARE(title, u"Rossi Mario"_s);
        QCOMPARE(count, u"1"_s);
        QCOMPARE(program->messages.texts(), QStringList { u"Si vuole stampare il presente riepilogo?"_s });
        const QStringList pages = testsupport::pdfText(program->pdf);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages[0].contains(u"Riepilogo appuntamenti - Contatto: Rossi Mario"_s));
        QVERIFY(pages[0].contains(u"TOTALE IMPORTI:            € 1350,50"_s));
    }

    void totalAndUnreadableRecords()
    {
        addAppointment(u"01/03/2024"_s, u"uno"_s, u"Rossi"_s, u"10,50"_s);
        addAppointment(u"02/03/2024"_s, u"due"_s, u"Rossi"_s, u"2,25"_s);
        addAppointment(u"03/03/2024"_s, u"illeggibile"_s, u"Rossi"_s, u"abc"_s);
        // The record is named, and where to find what to correct.
        const QString Left = u"Attenzione: l'appuntamento n. 3 non è compreso nel riepilogo."_s;
        const QString Advice
            = u"La data o l'importo non sono leggibili: \"Verifica archivi\" negli Strumenti dice quale campo correggere."_s;
        const QString Unreadable = Left + u' ' + Advice;
        addAppointment(u"04/03/2024"_s, u"vuoto"_s, u"Rossi"_s, u""_s);
        const summaries::Criteria criteria { {}, {}, QDate(2024, 3, 1), QDate(2024, 3, 31) };
        PeriodSummary summary(criteria, summaries::summarise(program->appointments(), criteria), menu());
        summary.show();
        QTRY_COMPARE(program->messages.texts(), QStringList { Unreadable });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(testsupport::listedLines(&summary).size(), 3);
        QCOMPARE(control<QLabel>(&summary, u"lblTotCosti"_s)->text(), u"12,75"_s);
        QCOMPARE(control<QLabel>(&summary, u"titTipologia"_s)->text(), u"- - -"_s);
        QCOMPARE(control<QLabel>(&summary, u"lblConta"_s)->text(), u"0"_s);

        program->messages.clear();
        control<QToolButton>(&summary, u"btnStampa"_s)->click();
        const QStringList pages = testsupport::pdfText(program->pdf);
        QCOMPARE(pages.size(), 1);
        QStringList closing = pages[0].split(u'\n').mid(0);
        closing.erase(
            std::remove_if(closing.begin(), closing.end(), [](const QString& l) { return l.trimmed().isEmpty(); }),
            closing.end());
        const qsizetype rule = closing.indexOf(u"- - - - - - - - - - - - - - - -"_s);
        QVERIFY(rule > 0);
        QCOMPARE(closing.mid(rule + 1, 4),
            (QStringList { u"INTERVALLO SELEZIONATO:    Dal   01/03/2024   al   31/03/2024"_s,
                u"TOTALE IMPORTI:            € 12,75"_s, Left, Advice }));
        QVERIFY(closing.first().contains(u"Riepilogo appuntamenti - Contatto: - - -"_s));
    }

    void printAsksAndRefusesAnEmptySummary()
    {
        addAppointment(u"01/03/2024"_s, u"uno"_s, u"Rossi"_s, u"10,00"_s);
        const auto show = [this](const QDate& day) {
            const summaries::Criteria criteria { {}, {}, day, day };
            return std::make_unique<PeriodSummary>(
                criteria, summaries::summarise(program->appointments(), criteria), menu());
        };
        auto empty = show(QDate(2024, 3, 2));
        empty->show();
        QCOMPARE(control<QLabel>(empty.get(), u"lblTotCosti"_s)->text(), u"0,00"_s);
        control<QToolButton>(empty.get(), u"btnStampa"_s)->click();
        control<QPushButton>(empty.get(), u"btnTrova"_s)->click();
        QCOMPARE(program->messages.texts(),
            (QStringList { u"Operazione di stampa non applicabile: il riepilogo non contiene nessuna voce."_s,
                u"Ricerca non applicabile: la lista non contiene nessuna voce."_s }));
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);

        program->messages.clear();
        auto one = show(QDate(2024, 3, 1));
        one->show();
        program->messages.queueAnswer(ui::Answer::No);
        control<QToolButton>(one.get(), u"btnStampa"_s)->click();
        QCOMPARE(program->messages.texts(), QStringList { u"Si vuole stampare il presente riepilogo?"_s });
        QVERIFY(!QFile::exists(program->pdf));
        // Closing empties the list.
        control<QToolButton>(one.get(), u"btnEsci"_s)->click();
        QVERIFY(testsupport::listedLines(one.get()).isEmpty());
    }

    void unreadableArchiveShowsNoSummary()
    {
        QVERIFY(QDir().mkpath(program->appointments())); // a folder where the archive should be
        choosePeriod(u"01"_s, u"Gennaio"_s, u"31"_s, u"Dicembre"_s);
        QObject guard; // closes a summary opened by mistake, only while this test runs
        QString opened;
        QTimer::singleShot(500, &guard, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                modal->close();
            }
        });
        control<QToolButton>(menu(), u"btnVisualizza"_s)->click();
        QCOMPARE(opened, QString());
        QCOMPARE(
            program->messages.texts(), QStringList { u"Attenzione: il file di archivio non risulta accessibile."_s });
        QVERIFY(!control<QLabel>(menu(), u"lblAttendere"_s)->isVisible());
    }
};

QTEST_MAIN(TestSummaries)
#include "tst_summaries.moc"
