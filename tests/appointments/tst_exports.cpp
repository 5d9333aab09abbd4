#include "appointments/agendascreen.h"
#include "appointments/appointmentexports.h"
#include "support/programfixture.h"

#include <QCalendarWidget>
#include <QDir>
#include <QLabel>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::appointment;
using testsupport::control;
using F = AppointmentField;

namespace {

const QByteArray Head
    = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
      "xmlns=\"http://www.w3.org/TR/REC-html40\"><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=windows-1252\"><!--[if gte mso 9]><xml><x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet>"
      "<x:Name>Riepilogo Appuntamenti</x:Name><x:WorksheetOptions><x:Selected/><x:Panes><x:Pane><x:Number>1</x:Number>"
      "<x:ActiveRow>3</x:ActiveRow></x:Pane></x:Panes><x:ProtectContents>False</x:ProtectContents><x:ProtectObjects>"
      "False</x:ProtectObjects><x:ProtectScenarios>False</x:ProtectScenarios></x:WorksheetOptions></x:ExcelWorksheet>"
      "</x:ExcelWorksheets></x:ExcelWorkbook></xml><![endif]--></head><body><table x:str><tr>"
      "<td style=\"text-align: left; font-weight: bold;\" width=180>Data appuntamento</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=150>Ora</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Tipologia</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=400>Causale</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=400>Dettagli</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=300>Persona o Ditta</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Telefono</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Cellulare</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>E-mail</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=300>Luogo</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Importo</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Impegno assolto</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=400>Note</td></tr>";
const QByteArray Tail = "</table></body></html>";

QString cell(QTableView* grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

QByteArray row(const QList<QByteArray>& cells)
{
    QByteArray r = "<tr>";
    for (const QByteArray& c : cells)
        r += "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">" + c + "</td>";
    return r + "</tr>";
}

const QString FirstQuestion = u"L'esportazione dei dati in Excel può richiedere diversi minuti a seconda del numero di "
                              u"schede presenti in archivio.\r\n\r\nSi vuole esportare i dati adesso?"_s;
const QString SecondQuestion
    = u"Le schede in archivio sono state esportate con successo.\r\n\r\nSi vuole aprire il file di Excel?"_s;
const QString Failure
    = u"Attenzione: il sistema non permette di esportare i dati.\n\r\n\rAccertarsi che il file di Excel "
      u"non sia già aperto."_s;

} // namespace

class TestExports : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    void threeRecords()
    {
        AppointmentRecord a
            = appointment(u"05/03/2024"_s, u"09"_s, u"30"_s, u"0"_s, u"Fattura <2024>"_s, u"A&B snc"_s, true);
        a.setText(F::phone, u"0612345678"_s);
        a.setText(F::place, u"Città"_s);
        a.setText(F::amount, u"12,50"_s);
        program->addAppointment(a);
        program->addAppointment(appointment(u"06/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Visita"_s, u"Rossi"_s));
        program->addAppointment(AppointmentRecord()); // every field blank
    }
    QString file(const QString& name) const { return program->folder.file(name); }

private slots:
    void init() { program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 6, 10)); }
    void cleanup() { program.reset(); }

    void archiveExportByteForByte()
    {
        threeRecords();
        ui::ExportScreen screen(appointments::archiveExport(), nullptr);
        screen.show();
        auto* grid = control<QTableView>(&screen, u"grdRecords"_s);
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(cell(grid, 0, 0), u"1"_s);
        QCOMPARE(cell(grid, 2, 0), u"3"_s);
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(program->messages.texts(), (QStringList { FirstQuestion, SecondQuestion }));
        const QByteArray expected = Head
            + row({ "05/03/2024", "09:30", "Riunione", "Fattura &lt;2024&gt;", "", "A&amp;B snc", "0612345678", "", "",
                "Citt\xE0", "12,50", "S\xEC", "" })
            + row({ "06/03/2024", "10:00", "Riunione", "Visita", "", "Rossi", "", "", "", "", "0,00", "No", "" })
            + row({ "", "", "", "", "", "", "", "", "", "", "", "", "" }) + Tail;
        QCOMPARE(testsupport::readFile(file(u"Riepilogo_Appuntamenti.xls"_s)), expected);
        QCOMPARE(program->shellOpens.opened, QStringList { u"\""_s + file(u"Riepilogo_Appuntamenti.xls"_s) + u"\""_s });
    }

    void emptyArchiveExportsTheHeaderOnly()
    {
        ui::ExportScreen screen(appointments::archiveExport(), nullptr);
        screen.show();
        QCOMPARE(control<QTableView>(&screen, u"grdRecords"_s)->model()->rowCount(), 0);
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(testsupport::readFile(file(u"Riepilogo_Appuntamenti.xls"_s)), Head + Tail);
    }

    void questions_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("opened");
        QTest::newRow("no at the first") << int(ui::Answer::No) << int(ui::Answer::Yes) << false << false;
        QTest::newRow("no at the second") << int(ui::Answer::Yes) << int(ui::Answer::No) << true << false;
        QTest::newRow("closed counts as yes") << int(ui::Answer::Closed) << int(ui::Answer::Closed) << true << true;
    }
    void questions()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, written);
        QFETCH(bool, opened);
        threeRecords();
        testsupport::writeFile(file(u"Riepilogo_Appuntamenti.xls"_s), "old export");
        program->messages.queueAnswer(ui::Answer(first));
        program->messages.queueAnswer(ui::Answer(second));
        ui::ExportScreen screen(appointments::archiveExport(), nullptr);
        screen.show();
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(testsupport::readFile(file(u"Riepilogo_Appuntamenti.xls"_s)) != "old export", written);
        QCOMPARE(!program->shellOpens.opened.isEmpty(), opened);
    }

    void failuresLeaveTheOldFile_data()
    {
        QTest::addColumn<bool>("lockFile");
        QTest::newRow("open in the spreadsheet program") << true;
        QTest::newRow("read-only program folder") << false;
    }
    void failuresLeaveTheOldFile()
    {
        QFETCH(bool, lockFile);
        threeRecords();
        testsupport::writeFile(file(u"Riepilogo_Appuntamenti.xls"_s), "old export");
        ui::ExportScreen screen(appointments::archiveExport(), nullptr);
        screen.show();
        std::unique_ptr<testsupport::ReadOnlyFolder> readOnly;
        if (lockFile) {
            testsupport::writeFile(file(u".~lock.Riepilogo_Appuntamenti.xls#"_s), "held");
        } else {
            readOnly = std::make_unique<testsupport::ReadOnlyFolder>(program->folder.path());
            if (!readOnly->ok())
                QSKIP("this file system cannot make a folder read-only");
        }
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(program->messages.texts(), (QStringList { FirstQuestion, Failure }));
        QCOMPARE(program->messages.messages().last().kind, ui::MessageKind::Plain);
        QCOMPARE(testsupport::readFile(file(u"Riepilogo_Appuntamenti.xls"_s)), QByteArray("old export"));
        readOnly.reset();
        QCOMPARE(QDir(program->folder.path()).entryList(QDir::Files | QDir::Hidden).filter(u".xls"_s).size(),
            lockFile ? 2 : 1); // no temporary file left behind
        QVERIFY(screen.isVisible());
    }

    void selections_data()
    {
        QTest::addColumn<int>("selection");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QStringList>("purposes");
        QTest::newRow("imminent") << int(appointments::Selection::Imminent) << QDate(2024, 6, 10)
                                  << QStringList { u"vecchio"_s, u"mattina"_s, u"pomeriggio"_s, u"preavviso5"_s };
        QTest::newRow("day") << int(appointments::Selection::Day) << QDate(2024, 6, 12)
                             << QStringList { u"mattina"_s, u"pomeriggio"_s, u"assolto"_s };
        QTest::newRow("month") << int(appointments::Selection::Month) << QDate(2024, 3, 15)
                               << QStringList { u"primo"_s, u"ultimo"_s, u"illeggibile"_s }; // dates compared as text
    }
    void selections()
    {
        QFETCH(int, selection);
        QFETCH(QDate, day);
        QFETCH(QStringList, purposes);
        const QList<AppointmentRecord> records = {
            appointment(u"12/06/2024"_s, u"14"_s, u"00"_s, u"5"_s, u"pomeriggio"_s, u"A"_s),
            appointment(u"15/06/2024"_s, u"10"_s, u"00"_s, u"5"_s, u"preavviso5"_s, u"B"_s),
            appointment(u"15/06/2024"_s, u"11"_s, u"00"_s, u"4"_s, u"preavviso4"_s, u"C"_s),
            appointment(u"01/01/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"vecchio"_s, u"D"_s),
            appointment(u"12/06/2024"_s, u"16"_s, u"00"_s, u"0"_s, u"assolto"_s, u"E"_s, true),
            appointment(u"12/06/2024"_s, u"09"_s, u"30"_s, u"5"_s, u"mattina"_s, u"F"_s),
            appointment(u"01/03/2024"_s, u"08"_s, u"00"_s, u"999"_s, u"primo"_s, u"G"_s, true),
            appointment(u"31/03/2024"_s, u"08"_s, u"00"_s, u"999"_s, u"ultimo"_s, u"H"_s, true),
            appointment(u"01/03/2023"_s, u"08"_s, u"00"_s, u"0"_s, u"anno prima"_s, u"I"_s, true),
            appointment(u"xx/03/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"illeggibile"_s, u"J"_s),
        };
        for (const auto& r : records)
            program->addAppointment(r);
        const exports::Reading reading
            = appointments::selectionTable(appointments::Selection(selection), QDate(2024, 6, 10), day)
                  .read(program->appointments());
        QVERIFY(reading.complete);
        QStringList found;
        for (qsizetype r = 0; r < reading.grid.rowCount(); ++r)
            found << reading.grid.text(r, 4);
        QCOMPARE(found, purposes);
        if (selection == int(appointments::Selection::Day)) {
            // Read as pomeriggio (1), assolto (2), mattina (3); shown by time, the numbers move with their rows.
            QCOMPARE(reading.grid.text(0, 0), u"3"_s);
            QCOMPARE(reading.grid.text(1, 0), u"1"_s);
            QCOMPARE(reading.grid.text(0, 14), u"202406120930"_s);
        }
    }

    void dayListFromTheAgendaCalendar()
    {
        program->addAppointment(appointment(u"12/06/2024"_s, u"14"_s, u"00"_s, u"0"_s, u"pomeriggio"_s, u"A"_s));
        program->addAppointment(appointment(u"12/06/2024"_s, u"09"_s, u"30"_s, u"0"_s, u"mattina"_s, u"B"_s));
        program->agenda()->open();
        control<QCalendarWidget>(program->agenda(), u"calAppuntamenti"_s)->setSelectedDate(QDate(2024, 6, 12));
        bool seen = false;
        testsupport::whenModal([&](QWidget* modal) {
            auto* screen = qobject_cast<ui::ExportScreen*>(modal);
            QVERIFY(screen);
            seen = true;
            QCOMPARE(screen->objectName(), u"frmExpGiornaliere"_s);
            QCOMPARE(screen->windowTitle(), u" Appuntamenti del giorno"_s);
            auto* grid = control<QTableView>(screen, u"grdRecords"_s);
            QCOMPARE(grid->model()->rowCount(), 2);
            QCOMPARE(cell(grid, 0, 0), u"2"_s);
            QCOMPARE(cell(grid, 1, 0), u"1"_s);
            QCOMPARE(cell(grid, 0, screen->column(u"colCausale"_s)), u"mattina"_s);
            control<QToolButton>(screen, u"cmdEsporta"_s)->click();
            screen->close();
        });
        control<QToolButton>(program->agenda(), u"btnGiorno"_s)->click();
        QVERIFY(seen);
        const QByteArray bytes = testsupport::readFile(program->folder.file(u"Appuntamenti_Giornalieri.xls"_s));
        QVERIFY(bytes.contains("<x:Name>Appuntamenti del giorno</x:Name>"));
        QVERIFY(bytes.contains("width=150>Codice univoco</td></tr><tr>"));
        QVERIFY(bytes.indexOf("mattina") < bytes.indexOf("pomeriggio"));
    }

    void editableCellsReachTheFileOnly()
    {
        threeRecords();
        const QByteArray archiveBefore = testsupport::readFile(program->appointments());
        ui::ExportScreen screen(appointments::archiveExport(), nullptr);
        screen.show();
        QVERIFY(testsupport::activate(&screen));
        auto* grid = control<QTableView>(&screen, u"grdRecords"_s);
        const QAbstractItemModel* model = grid->model();
        const int details = screen.column(u"colDettagli"_s);
        const int purpose = screen.column(u"colCausale"_s);
        QVERIFY(model->flags(model->index(0, details)) & Qt::ItemIsEditable);
        QVERIFY(!(model->flags(model->index(0, purpose)) & Qt::ItemIsEditable));
        QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
        grid->setCurrentIndex(model->index(1, details));
        QTest::keyClick(grid, Qt::Key_P); // typing opens the cell's editor, which takes the other keys
        QTest::keyClicks(screen.focusWidget(), u"ortare i documenti"_s);
        grid->setCurrentIndex(model->index(1, purpose));
        QTest::keyClick(grid, Qt::Key_C);
        QTest::keyClicks(screen.focusWidget(), u"ambiata"_s);
        QCOMPARE(cell(grid, 1, purpose), u"Visita"_s);
        // A cell still being typed into when the export is pressed is exported as typed.
        grid->setCurrentIndex(model->index(0, screen.column(u"colContatto"_s)));
        QTest::keyClick(grid, Qt::Key_B);
        QTest::keyClicks(screen.focusWidget(), u"ianchi "_s);
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        const QByteArray bytes = testsupport::readFile(file(u"Riepilogo_Appuntamenti.xls"_s));
        QVERIFY(
            bytes.contains(">Visita</td><td style=\"text-align: left;\" sdnum=\"1040;0;@\">portare i documenti</td>"));
        QVERIFY(bytes.contains("&lt;2024&gt;</td><td style=\"text-align: left;\" sdnum=\"1040;0;@\"></td>"
                               "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">bianchi</td>"));
        QCOMPARE(cell(grid, 0, screen.column(u"colContatto"_s)), u"bianchi "_s);
        QCOMPARE(testsupport::readFile(program->appointments()), archiveBefore);
    }

    void unreadableArchiveClosesTheScreen_data()
    {
        QTest::addColumn<QString>("screen");
        for (const char* name : { "frmExpScadenzario", "frmExpImminenti", "frmExpGiornaliere", "frmExpMensili" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void unreadableArchiveClosesTheScreen()
    {
        QFETCH(QString, screen);
        QVERIFY(QDir().mkpath(program->appointments())); // a folder where the archive should be
        const QDate day(2024, 6, 10);
        ui::ExportDefinition definition;
        for (const ui::ExportDefinition& each : { appointments::archiveExport(), appointments::imminentExport(),
                 appointments::dayExport(day), appointments::monthExport(day) }) {
            if (each.objectName == screen)
                definition = each;
        }
        ui::ExportScreen exportScreen(definition, nullptr);
        exportScreen.show();
        QCOMPARE(control<QTableView>(&exportScreen, u"grdRecords"_s)->model()->rowCount(), 0);
        QVERIFY(!control<QToolButton>(&exportScreen, u"cmdEsporta"_s)->isEnabled());
        QTRY_VERIFY(!exportScreen.isVisible());
        QCOMPARE(program->messages.texts(), QStringList { AccessFailure::message() });
        QCOMPARE(program->messages.messages().last().kind, ui::MessageKind::Plain);
        exportScreen.cmdEsportaClick();
        QCOMPARE(program->messages.texts().size(), 1);
        QVERIFY(QDir(program->folder.path()).entryList({ u"*.xls"_s }, QDir::Files).isEmpty());
    }

    void frameHints()
    {
        ui::ExportScreen screen(appointments::imminentExport(), nullptr);
        screen.show();
        auto* line = control<QLabel>(&screen, u"panInfo"_s);
        QCOMPARE(line->text(), u"Esportazione archivio in Microsoft Excel."_s);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(control<QToolButton>(&screen, u"cmdEsporta"_s), &enter);
        QCOMPARE(line->text(), u"Esporta l'archivio in formato Microsoft Excel."_s);
    }
};

QTEST_MAIN(TestExports)
#include "tst_exports.moc"
