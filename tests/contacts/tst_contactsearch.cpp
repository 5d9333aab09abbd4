// The contact search and the contact export on the real widgets: criteria,
// lines, the callers that receive a chosen contact, and the file written
// out byte for byte.
#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "contacts/contactsearch.h"
#include "storage/programfolder.h"
#include "support/programfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using F = ContactField;

namespace {

struct Contact {
    QString name, town, province, vat, phone, occupation, interests, notes;
};

QByteArray headCell(const char* text, int width)
{
    return "<td style=\"text-align: left; font-weight: bold;\" width=" + QByteArray::number(width) + ">" + text
        + "</td>";
}

QByteArray row(const QList<QByteArray>& cells)
{
    QByteArray r = "<tr>";
    for (const QByteArray& c : cells)
        r += "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">" + c + "</td>";
    return r + "</tr>";
}

const QByteArray Head
    = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
      "xmlns=\"http://www.w3.org/TR/REC-html40\"><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=windows-1252\"><!--[if gte mso 9]><xml><x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet>"
      "<x:Name>Riepilogo Contatti</x:Name><x:WorksheetOptions><x:Selected/><x:Panes><x:Pane><x:Number>1</x:Number>"
      "<x:ActiveRow>3</x:ActiveRow></x:Pane></x:Panes><x:ProtectContents>False</x:ProtectContents><x:ProtectObjects>"
      "False</x:ProtectObjects><x:ProtectScenarios>False</x:ProtectScenarios></x:WorksheetOptions></x:ExcelWorksheet>"
      "</x:ExcelWorksheets></x:ExcelWorkbook></xml><![endif]--></head><body><table x:str><tr>"
    + headCell("Cognome e nome", 250) + headCell("Data di nascita", 200) + headCell("Comune di nascita", 250)
    + headCell("Tel. preferenziale", 250) + headCell("Indirizzo di residenza", 300)
    + headCell("Comune di residenza", 250) + headCell("Modalit\xE0 di pagamento", 250) + headCell("Tel. casa", 250)
    + headCell("Tel. ufficio", 250) + headCell("Tel. cellulare", 250) + headCell("PEC", 250) + headCell("E-mail", 250)
    + headCell("Codice fiscale", 250) + headCell("Partita IVA", 250) + headCell("Carta di credito n.", 300)
    + headCell("Scadenza", 150) + headCell("IBAN", 300) + headCell("Estremi documento", 280)
    + headCell("Occupazione", 250) + headCell("Stato civile", 250) + headCell("Titoli e qualifiche", 280)
    + headCell("Prodotti e servizi di interesse", 300) + headCell("Zona", 250) + headCell("Questioni in sospeso", 300)
    + headCell("Note", 300) + "</tr>";
const QByteArray Tail = "</table></body></html>";

} // namespace

class TestContactSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    QString path() const { return programFolder::file(programFolder::Contacts); }
    qint64 add(const Contact& c)
    {
        ContactRecord r;
        r.setText(F::fullName, c.name);
        r.setText(F::residenceTown, c.town);
        r.setText(F::residenceProvince, c.province);
        r.setText(F::vatNumber, c.vat);
        r.setText(F::preferredPhone, c.phone);
        r.setText(F::occupation, c.occupation);
        r.setText(F::interests, c.interests);
        r.setText(F::notes, c.notes);
        r.setText(F::mobilePhone, u"333 "_s + c.name.left(3));
        r.setText(F::email, c.name.left(3).toLower() + u"@example.it"_s);
        r.setFlag(F::toRecontact, false);
        return archive::append(path(), ContactRecord::Size, r.data());
    }
    void fourContacts()
    {
        add({ u"Rossi Mario"_s, u"Roma"_s, u"RM"_s, u"01234567890"_s, u"06 111"_s, u"Avvocato"_s, u"Polizze"_s,
            u"cliente storico"_s });
        add({ u"ROSSINI Anna"_s, u"Bari"_s, u"BA"_s, u"98765432101"_s, {}, {}, {}, {} });
        add({ u"Bianchi Città"_s, u"Roma Nord"_s, u"RM"_s, u"11112222333"_s, {}, {}, {}, {} });
        add({ u"Grossi Luca"_s, u"Fiumicino"_s, u"RM"_s, u"55501230000"_s, {}, {}, {}, {} });
    }
    static void doubleClickRow(QWidget* screen, int row)
    {
        auto* view = control<QListView>(screen, u"lstRecords"_s);
        QTest::mouseDClick(
            view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
    }

private slots:
    void init() { program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10)); }
    void cleanup() { program.reset(); }

    void criteria_data()
    {
        QTest::addColumn<QStringList>("typed"); // criterion, text, criterion, text...
        QTest::addColumn<QStringList>("names"); // listed, in list order
        QTest::newRow("none used") << QStringList()
                                   << QStringList { u"Bianchi Città"_s, u"Grossi Luca"_s, u"Rossi Mario"_s,
                                          u"ROSSINI Anna"_s };
        QTest::newRow("ross and roma") << QStringList { u"txtCliente"_s, u"ross"_s, u"txtComuneRes"_s, u"roma"_s }
                                       << QStringList { u"Rossi Mario"_s };
        QTest::newRow("capitals typed") << QStringList { u"txtCliente"_s, u"ROSSI"_s }
                                        << QStringList { u"Grossi Luca"_s, u"Rossi Mario"_s, u"ROSSINI Anna"_s };
        QTest::newRow("accented letter not folded") << QStringList { u"txtCliente"_s, u"CITTÀ"_s } << QStringList();
        QTest::newRow("accented letter as stored")
            << QStringList { u"txtCliente"_s, u"città"_s } << QStringList { u"Bianchi Città"_s };
        QTest::newRow("blank-only town beside a name") << QStringList { u"txtCliente"_s, u"grossi"_s, u"txtComuneRes"_s,
            u"  "_s } << QStringList { u"Grossi Luca"_s };
        QTest::newRow("trailing blank is typed text")
            << QStringList { u"txtCliente"_s, u"rossi "_s } << QStringList { u"Grossi Luca"_s, u"Rossi Mario"_s };
        QTest::newRow("0123 in the partita IVA")
            << QStringList { u"txtPartitaIva"_s, u"0123"_s } << QStringList { u"Grossi Luca"_s, u"Rossi Mario"_s };
    }
    void criteria()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, names);
        fourContacts();
        ContactSearch search({}, nullptr);
        search.show();
        QCOMPARE(search.objectName(), u"frmTrovaClienti"_s);
        QCOMPARE(control<QLabel>(&search, u"lblTrovate"_s)->text(), u"Il presente elenco contiene 0 schede."_s);
        for (qsizetype i = 0; i + 1 < typed.size(); i += 2)
            testsupport::typeText(control<QLineEdit>(&search, typed[i]), typed[i + 1]);
        control<QPushButton>(&search, u"btnCerca"_s)->click();
        QStringList listed;
        for (const QString& line : testsupport::listedLines(&search))
            listed << line.left(26).trimmed();
        QCOMPARE(listed, names);
        QCOMPARE(control<QLabel>(&search, u"lblTrovate"_s)->text(),
            u"Il presente riepilogo contiene %1 schede."_s.arg(names.size()));
    }

    void lineIsCutAndPadded()
    {
        add({ u"Alessandrini Bartolomeo Maria Giuseppe"_s, {}, {}, {}, u"0612345678901234567"_s, u"Ingegnere"_s,
            u"Consulenze"_s, u"note libere"_s });
        ContactSearch search({}, nullptr);
        search.show();
        control<QPushButton>(&search, u"btnCerca"_s)->click();
        QCOMPARE(testsupport::listedLines(&search),
            QStringList { u"Alessandrini Bartolomeo Ma  Tel. 061234567890123  Ingegnere"_s + QString(16, u' ')
                + u"  Prod. Consulenze"_s + QString(20, u' ') + u"  note libere"_s });
    }

    void callers_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::newRow("contact card") << u"clienti"_s;
        QTest::newRow("appointment card") << u"scadenze"_s;
    }
    void callers()
    {
        QFETCH(QString, caller);
        fourContacts();
        QWidget* screen = nullptr;
        if (caller == u"clienti"_s)
            screen = program->screens->contacts();
        else
            screen = program->card();
        static_cast<ui::AreaScreen*>(screen)->open();
        const auto fields = screen->findChildren<QLineEdit*>();
        QHash<QLineEdit*, QString> before;
        for (QLineEdit* e : fields) {
            e->setText(u"prima"_s);
            before.insert(e, e->text());
        }
        testsupport::whenModal([](QWidget* search) {
            testsupport::typeText(control<QLineEdit>(search, u"txtCliente"_s), u"rossi m"_s);
            control<QPushButton>(search, u"btnCerca"_s)->click();
            doubleClickRow(search, 0);
        });
        control<QAbstractButton>(screen, caller == u"clienti"_s ? u"cmdTrova"_s : u"impContatto"_s)->click();
        QHash<QString, QString> changed;
        for (QLineEdit* e : fields) {
            if (e->text() != before.value(e))
                changed.insert(e->objectName(), e->text());
        }
        if (caller == u"clienti"_s) {
            QCOMPARE(changed.value(u"txtCliente"_s), u"Rossi Mario"_s);
            QCOMPARE(changed.value(u"txtComuneRes"_s), u"Roma"_s);
            QCOMPARE(changed.value(u"txtPartitaIva"_s), u"01234567890"_s);
            QCOMPARE(control<QLabel>(screen, u"lblPosizione"_s)->text(), u"1"_s);
        } else {
            const QHash<QString, QString> expected = { { u"txtContatto"_s, u"Rossi Mario"_s },
                { u"txtTel"_s, u"06 111"_s }, { u"txtCel"_s, u"333 Ros"_s }, { u"txtEmail"_s, u"ros@example.it"_s } };
            QCOMPARE(changed, expected);
            QCOMPARE(control<QLabel>(screen, u"lblPosizione"_s)->text(), QString());
        }
    }

    void equalLinesOpenTheirOwnCards()
    {
        add({ u"Neri Paolo"_s, u"Roma"_s, {}, {}, {}, {}, {}, {} });
        add({ u"Neri Paolo"_s, u"Milano"_s, {}, {}, {}, {}, {}, {} });
        auto* card = program->screens->contacts();
        card->open();
        for (int row : { 0, 1 }) {
            ContactSearch search([card](const ContactRecord& r, qint64 p) { card->showRecord(r, p); }, card);
            search.show();
            control<QPushButton>(&search, u"btnCerca"_s)->click();
            const QStringList lines = testsupport::listedLines(&search);
            QCOMPARE(lines[0], lines[1]);
            doubleClickRow(&search, row);
            QVERIFY(!search.isVisible());
            QCOMPARE(control<QLabel>(card, u"lblPosizione"_s)->text(), QString::number(row + 1));
            QCOMPARE(control<QLineEdit>(card, u"txtComuneRes"_s)->text(), row == 0 ? u"Roma"_s : u"Milano"_s);
        }
    }

    void exportByteForByte()
    {
        ContactRecord a;
        a.setText(F::fullName, u"Rossi & <Figli>"_s);
        a.setText(F::birthPlace, u"Città di Castello"_s);
        a.setText(F::birthProvince, u"PG"_s);
        a.setText(F::residenceTown, u"Roma"_s);
        a.setText(F::residenceProvince, u"RM"_s);
        a.setText(F::vatNumber, u"01234567890"_s);
        a.setText(F::sex, u"M"_s); // not exported
        archive::append(path(), ContactRecord::Size, a.data());
        ContactRecord b;
        b.setText(F::fullName, u"Bianchi"_s);
        b.setText(F::residenceTown, u"Bari"_s);
        archive::append(path(), ContactRecord::Size, b.data());

        ui::ExportScreen screen(ContactCard::exportDefinition(), nullptr);
        screen.show();
        QVERIFY(testsupport::activate(&screen));
        QCOMPARE(screen.objectName(), u"frmExpClienti"_s);
        QCOMPARE(screen.windowTitle(), u" Esporta archivio contatti in Microsoft Excel"_s);
        auto* grid = control<QTableView>(&screen, u"grdRecords"_s);
        const QAbstractItemModel* model = grid->model();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->columnCount(), 26);
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), u"Comune / Stato estero di nascita"_s);
        QCOMPARE(model->index(1, 0).data().toString(), u"2"_s);
        QVERIFY(!(model->flags(model->index(0, screen.column(u"colCliente"_s))) & Qt::ItemIsEditable));
        grid->setCurrentIndex(model->index(1, screen.column(u"colNote"_s)));
        QTest::keyClick(grid, Qt::Key_D);
        QTest::keyClicks(screen.focusWidget(), u"a richiamare"_s);
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        const QByteArray expected = Head
            + row({ "Rossi &amp; &lt;Figli&gt;", "", "Citt\xE0 di Castello PG", "", "", "Roma RM", "", "", "", "", "",
                "", "", "01234567890", "", "", "", "", "", "", "", "", "", "", "" })
            + row({ "Bianchi", "", "", "", "", "Bari", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                "", "", "da richiamare" })
            + Tail;
        QCOMPARE(testsupport::readFile(programFolder::file(u"Contatti.xls"_s)), expected);
    }

    void emptyArchiveExportsTheHeaderOnly()
    {
        ui::ExportScreen screen(ContactCard::exportDefinition(), nullptr);
        screen.show();
        QCOMPARE(control<QTableView>(&screen, u"grdRecords"_s)->model()->rowCount(), 0);
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(testsupport::readFile(programFolder::file(u"Contatti.xls"_s)), Head + Tail);
    }

    void heldFileIsNotReplaced()
    {
        add({ u"Rossi"_s, {}, {}, {}, {}, {}, {}, {} });
        testsupport::writeFile(programFolder::file(u"Contatti.xls"_s), "old export");
        testsupport::writeFile(programFolder::file(u".~lock.Contatti.xls#"_s), "held");
        ui::ExportScreen screen(ContactCard::exportDefinition(), nullptr);
        screen.show();
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(program->messages.texts().last(),
            u"Attenzione: il sistema non permette di esportare i dati.\n\r\n\rAccertarsi che il file di Excel non "
            u"sia già aperto."_s);
        QCOMPARE(testsupport::readFile(programFolder::file(u"Contatti.xls"_s)), QByteArray("old export"));
    }
};

QTEST_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
