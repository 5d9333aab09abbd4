#include "appointments/agenda.h"
#include "appointments/appointmentrules.h"
#include "appointments/archivioscadenze.h"
#include "shell/avvio.h"
#include "support/cardfixture.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::appointment;
using testsupport::control;

class TestAgenda : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    QStringList listed() const
    {
        QStringList lines;
        auto* model = control<QListView>(frmAgenda, u"lstRecords"_s)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines;
    }
    bool showing(const QString& picture) const { return !control<QLabel>(frmAgenda, picture)->isHidden(); }

private slots:
    void init() { program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10)); }
    void cleanup() { program.reset(); }

    void dueRule_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QByteArray>("flag");
        QTest::addColumn<bool>("due");
        QTest::newRow("notice period begun") << u"15/03/2024"_s << u"5"_s << QByteArray("\x02No", 3) << true;
        QTest::newRow("notice period not yet") << u"15/03/2024"_s << u"4"_s << QByteArray("\x02No", 3) << false;
        QTest::newRow("overdue") << u"01/01/2024"_s << u"0"_s << QByteArray("\x02No", 3) << true;
        QTest::newRow("overdue, fulfilled") << u"01/01/2024"_s << u"0"_s << QByteArray("\x02S\xEC", 3) << false;
        QTest::newRow("today, no notice") << u"10/03/2024"_s << u"0"_s << QByteArray("\x02No", 3) << true;
        QTest::newRow("flag of zero bytes") << u"01/01/2024"_s << u"0"_s << QByteArray(3, '\0') << false;
        QTest::newRow("flag in other case") << u"01/01/2024"_s << u"0"_s << QByteArray("\x02NO", 3) << false;
        QTest::newRow("unreadable date") << u"31/02/2024"_s << u"0"_s << QByteArray("\x02No", 3) << false;
    }
    void dueRule()
    {
        QFETCH(QString, date);
        QFETCH(QString, notice);
        QFETCH(QByteArray, flag);
        QFETCH(bool, due);
        AppointmentRecord r = appointment(date, u"10"_s, u"00"_s, notice, u"Pagamento"_s, u"Rossi"_s);
        std::memcpy(r.data() + 1262, flag.constData(), 3);
        program->addAppointment(r);
        // A record after it that is due: an unreadable one never hides it.
        program->addAppointment(appointment(u"09/03/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"Sempre"_s, u"Verdi"_s));
        frmAgenda->show();
        const QStringList lines = listed();
        QCOMPARE(lines.size(), due ? 2 : 1);
        QVERIFY(lines.last().contains(u"Sempre"_s) || lines.first().contains(u"Sempre"_s));
    }

    void linesInDateAndTimeOrder()
    {
        program->addAppointment(appointment(u"12/03/2024"_s, u"16"_s, u"00"_s, u"5"_s, u"Pomeriggio"_s, u"Rossi"_s, false,
                                            u"333 1"_s));
        program->addAppointment(appointment(u"12/03/2024"_s, u"09"_s, u"30"_s, u"5"_s, QString(60, u'x'), u"Bianchi"_s));
        program->addAppointment(appointment(u"01/02/2024"_s, u"18"_s, u"00"_s, u"0"_s, u"Scaduto"_s, u"Neri"_s));
        frmAgenda->show();
        const QStringList lines = listed();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(u"Scaduto"_s));
        QCOMPARE(lines[1], u"ID: 202403120930  Data: 12/03/2024  Ora: 09:30  "_s + QString(45, u'x')
                               + u"  Contatto: Bianchi                        Cel. "_s);
        QCOMPARE(lines[2], u"ID: 202403121600  Data: 12/03/2024  Ora: 16:00  Pomeriggio"_s + QString(35, u' ')
                               + u"  Contatto: Rossi                          Cel. 333 1"_s);
    }

    void picturesAndSound()
    {
        frmAgenda->show();
        QVERIFY(showing(u"imgAssenti"_s) && showing(u"imgAppuntamentiNO"_s));
        QVERIFY(!showing(u"imgPresenti"_s) && !showing(u"imgAppuntamentiSI"_s));
        QVERIFY(program->sounds.played.isEmpty());
        frmAgenda->close();

        program->addAppointment(appointment(u"10/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Oggi"_s, u"Rossi"_s));
        frmAvvio->hide();
        frmAgenda->show();
        QVERIFY(showing(u"imgPresenti"_s) && showing(u"imgAppuntamentiSI"_s));
        QVERIFY(!showing(u"imgAssenti"_s) && !showing(u"imgAppuntamentiNO"_s));
        QCOMPARE(program->sounds.played, QStringList {program->folder.file(u"Avviso.mp3"_s)});
        frmAgenda->close();
        QCOMPARE(program->sounds.stops, 1);
        QVERIFY(frmAvvio->isVisible());
    }

    void fulfilledOnTheCardLeavesTheAgenda()
    {
        program->addAppointment(appointment(u"09/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Unico"_s, u"Rossi"_s));
        frmAgenda->show();
        QCOMPARE(listed().size(), 1);
        control<QToolButton>(frmAgenda, u"btnArchivio"_s)->click();
        QVERIFY(frmArchivio_Scadenze->isVisible() && !frmAgenda->isVisible());
        control<QToolButton>(frmArchivio_Scadenze, u"cmdPrimo"_s)->click();
        control<QCheckBox>(frmArchivio_Scadenze, u"chkOttemperata"_s)->setChecked(true);
        control<QToolButton>(frmArchivio_Scadenze, u"cmdSalva"_s)->click();
        frmArchivio_Scadenze->close();
        QVERIFY(frmAvvio->isVisible());
        program->sounds.played.clear();
        frmAgenda->show();
        QVERIFY(listed().isEmpty());
        QVERIFY(showing(u"imgAssenti"_s));
        QVERIFY(program->sounds.played.isEmpty());
    }

    void calendarKeepsTheUsersDay()
    {
        auto* calendar = control<QCalendarWidget>(frmAgenda, u"calAppuntamenti"_s);
        QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 10));
        frmAgenda->show();
        calendar->setSelectedDate(QDate(2024, 4, 2));
        frmAgenda->close();
        frmAgenda->show();
        QCOMPARE(frmAgenda->selectedDate(), QDate(2024, 4, 2));
    }

    void printedListHoldsEveryLine()
    {
        for (int i = 1; i <= 3; ++i)
            program->addAppointment(appointment(u"0%1/03/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s,
                                                u"Impegno %1"_s.arg(i), u"Rossi"_s));
        frmAgenda->show();
        control<QToolButton>(frmAgenda, u"btnStampa"_s)->click();
        // The text layer of a PDF keeps the words, not every blank between them.
        const QString text = testsupport::pdfText(program->pdf).join(QString()).simplified();
        QVERIFY(text.contains(u"Riepilogo appuntamenti imminenti"_s));
        for (const QString& line : listed())
            QVERIFY2(text.contains(line.simplified()), qPrintable(line));
    }
};

QTEST_MAIN(TestAgenda)
#include "tst_agenda.moc"
