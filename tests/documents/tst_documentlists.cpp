// The lists of the documents register: the search, the documents to
// complete, and the export of the whole archive.
#include "documents/documentcard.h"
#include "documents/documentsearch.h"
#include "documents/documentsupport.h"
#include "support/layouts.h"
#include "support/programfixture.h"

#include <QDir>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using testsupport::document;
using F = DocumentField;

namespace {

const QByteArray Head
    = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
      "xmlns=\"http://www.w3.org/TR/REC-html40\"><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=windows-1252\"><!--[if gte mso 9]><xml><x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet>"
      "<x:Name>Altri Documenti</x:Name><x:WorksheetOptions><x:Selected/><x:Panes><x:Pane><x:Number>1</x:Number>"
      "<x:ActiveRow>3</x:ActiveRow></x:Pane></x:Panes><x:ProtectContents>False</x:ProtectContents><x:ProtectObjects>"
      "False</x:ProtectObjects><x:ProtectScenarios>False</x:ProtectScenarios></x:WorksheetOptions></x:ExcelWorksheet>"
      "</x:ExcelWorksheets></x:ExcelWorkbook></xml><![endif]--></head><body><table x:str><tr>"
      "<td style=\"text-align: left; font-weight: bold;\" width=300>Documento</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Protocollo n.</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Produttore</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Indirizzo produttore</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Data produzione</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Destinatario</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Indirizzo destinatario</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>Data ricezione</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=400>Oggetto</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Tipo documento</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Classificazione</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=300>Fascicolo contenitore</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Formato</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=200>N. pagine</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=300>Allegati</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=300>Riferimenti</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Livello di riservatezza</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Software di produzione</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=250>Luogo conservazione</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=400>Soggetti citati nel documento</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=400>Note</td>"
      "<td style=\"text-align: left; font-weight: bold;\" width=120>Da completare</td></tr>";
const QByteArray Tail = "</table></body></html>";

QByteArray row(const QList<QByteArray>& cells)
{
    QByteArray r = "<tr>";
    for (const QByteArray& c : cells)
        r += "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">" + c + "</td>";
    return r + "</tr>";
}

void doubleClickRow(QWidget* screen, int row)
{
    auto* view = control<QListView>(screen, u"lstRecords"_s);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
}

} // namespace

class TestDocumentLists : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    DocumentCard* card() const { return program->screens->documents(); }
    QString cardText(const QString& name) const { return control<QLineEdit>(card(), name)->text(); }
    QString position() const { return control<QLabel>(card(), u"lblPosizione"_s)->text(); }

    void fiveDocuments()
    {
        DocumentRecord a
            = document(u"Lettera di incarico"_s, u"Rossi Mario"_s, u"05/03/2021"_s, u"Studio Verdi"_s, u"12"_s);
        a.setText(F::subject, u"Incarico professionale"_s);
        testsupport::addDocument(a);
        testsupport::addDocument(document(u"Lettera di sollecito"_s, u"Carlo Ross"_s, u"12/11/2021"_s, u"Bianchi"_s));
        testsupport::addDocument(document(u"Fattura 118"_s, u"ROSSINI srl"_s, u"03/02/2022"_s, u"Studio Verdi"_s));
        testsupport::addDocument(document(u"Lettera àccentata"_s, u"Verdi Anna"_s, u"21/03/2022"_s));
        testsupport::addDocument(document(u"Circolare"_s, u"INPS Ross e soci"_s, u"30/06/2021"_s));
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>();
        card()->open();
    }
    void cleanup() { program.reset(); }

    void search_data()
    {
        QTest::addColumn<QStringList>("typed"); // criterion, text, criterion, text...
        QTest::addColumn<QStringList>("names");
        QTest::newRow("no criterion: every card")
            << QStringList()
            << QStringList { u"Circolare"_s, u"Fattura 118"_s, u"Lettera di incarico"_s, u"Lettera di sollecito"_s,
                   u"Lettera àccentata"_s };
        QTest::newRow("producer and name, A to Z folded") << QStringList { u"txtProduttore"_s, u"ROSS"_s,
            u"txtDocumento"_s, u"lett"_s } << QStringList { u"Lettera di incarico"_s, u"Lettera di sollecito"_s };
        QTest::newRow("a blank at the end of the text")
            << QStringList { u"txtProduttore"_s, u"ross "_s } << QStringList { u"Circolare"_s }; // not "Carlo Ross"
        QTest::newRow("a criterion of blanks does not count") << QStringList { u"txtProduttore"_s, u"rossi"_s,
            u"txtNote"_s, u"   "_s } << QStringList { u"Fattura 118"_s, u"Lettera di incarico"_s };
        QTest::newRow("production year") << QStringList { u"txtDataPro"_s,
            u"/2021"_s } << QStringList { u"Circolare"_s, u"Lettera di incarico"_s, u"Lettera di sollecito"_s };
        QTest::newRow("accented letters compared as they are")
            << QStringList { u"txtDocumento"_s, u"ÀCCENT"_s } << QStringList();
        QTest::newRow("recipient and subject") << QStringList { u"txtDestinatario"_s, u"verdi"_s, u"txtOggetto"_s,
            u"incarico"_s } << QStringList { u"Lettera di incarico"_s };
    }
    void search()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, names);
        fiveDocuments();
        DocumentSearch search({}, card());
        search.show();
        QCOMPARE(search.windowTitle(), u" Trova documenti in archivio"_s);
        QCOMPARE(control<QLabel>(&search, u"lblTrovate"_s)->text(), u"Il presente elenco contiene 0 schede."_s);
        for (qsizetype i = 0; i + 1 < typed.size(); i += 2)
            testsupport::typeText(control<QLineEdit>(&search, typed[i]), typed[i + 1]);
        control<QPushButton>(&search, u"btnCerca"_s)->click();
        QVERIFY(!control<QWidget>(&search, u"panAvvio"_s)->isVisible());
        QCOMPARE(control<QLabel>(&search, u"lblTrovate"_s)->text(),
            u"Il presente riepilogo contiene %1 schede."_s.arg(names.size()));
        QStringList listed;
        for (const QString& line : testsupport::listedLines(&search))
            listed << line.left(40).trimmed();
        QCOMPARE(listed, names); // plain text order: capitals before accented letters
    }

    void lineLayout()
    {
        testsupport::addDocument(document(QString(50, u'N'), u"Produttore con un nome più lungo di trenta"_s,
            u"05/03/2021"_s, u"Destinatario"_s, u"  2021/0012  "_s));
        DocumentSearch search({}, card());
        search.show();
        control<QPushButton>(&search, u"btnCerca"_s)->click();
        QCOMPARE(testsupport::listedLines(&search),
            QStringList { QString(40, u'N')
                + u"  Data: 05/03/2021  Da: Produttore con un nome più lun  A: "
                  u"Destinatario"_s
                + QString(18, u' ') + u"  Prot. n. 2021/0012"_s });
        control<QPushButton>(&search, u"btnStampa"_s)->click();
        const QString printed = testsupport::pdfText(program->pdf).join(u'\n');
        QVERIFY(printed.contains(u"Riepilogo documenti"_s));
        QVERIFY(printed.contains(u"Prot. n. 2021/0012"_s));
    }

    void equalLinesLoadTheirOwnRecords()
    {
        for (const QString& notes : { u"il primo"_s, u"il secondo"_s }) {
            DocumentRecord r = document(u"Verbale"_s, u"Rossi"_s, u"01/02/2024"_s);
            r.setText(F::notes, notes);
            testsupport::addDocument(r);
        }
        for (int row = 0; row < 2; ++row) {
            DocumentSearch search([this](const DocumentRecord& r, qint64 p) { card()->showRecord(r, p); }, card());
            search.show();
            control<QPushButton>(&search, u"btnCerca"_s)->click();
            QCOMPARE(testsupport::listedLines(&search).size(), 2);
            doubleClickRow(&search, row);
            QVERIFY(!search.isVisible());
            QCOMPARE(position(), QString::number(row + 1));
            QCOMPARE(cardText(u"txtNote"_s), row == 0 ? u"il primo"_s : u"il secondo"_s);
        }
    }

    void toComplete()
    {
        testsupport::addDocument(document(u"Verbale"_s, u"Rossi"_s, u"01/02/2024"_s, {}, {}, true));
        testsupport::addDocument(document(u"Fattura"_s, u"Bianchi"_s, u"02/02/2024"_s, {}, {}, false));
        DocumentRecord unset = document(u"Senza segno"_s, u"Verdi"_s, u"03/02/2024"_s);
        std::memset(unset.data() + testsupport::documentBytes::ToComplete, 0, 3); // neither "Sì" nor "No"
        testsupport::addDocument(unset);
        DocumentRecord done = document(u"Contratto"_s, u"Neri"_s, u"04/02/2024"_s, {}, {}, true);
        done.setText(F::notes, u"da firmare"_s);
        testsupport::addDocument(done);

        QStringList caption;
        {
            testsupport::ModalAnswers list([&](QWidget* screen) {
                caption << screen->objectName() << screen->windowTitle();
                QVERIFY(!screen->findChild<QLabel*>(u"lblTrovate"_s));
                QStringList names;
                for (const QString& line : testsupport::listedLines(screen))
                    names << line.left(40).trimmed();
                QCOMPARE(names, (QStringList { u"Contratto"_s, u"Verbale"_s }));
                control<QPushButton>(screen, u"btnStampa"_s)->click();
                doubleClickRow(screen, 0);
            });
            control<QToolButton>(card(), u"cmdDaCompletare"_s)->click();
            QCOMPARE(list.count(), 1);
        }
        QCOMPARE(caption, (QStringList { u"frmDaCompletare"_s, u" Riepilogo documenti da completare"_s }));
        QVERIFY(testsupport::pdfText(program->pdf).join(u'\n').contains(u"Riepilogo documenti da completare"_s));
        QCOMPARE(position(), u"4"_s);
        QCOMPARE(cardText(u"txtNote"_s), u"da firmare"_s);
        QVERIFY(program->messages.messages().isEmpty());
    }

    void toCompleteUnreadable()
    {
        QDir().mkdir(testsupport::documentsArchive()); // a folder where the archive should be
        int lines = -1;
        {
            testsupport::ModalAnswers list([&](QWidget* screen) {
                lines = int(testsupport::listedLines(screen).size());
                screen->close();
            });
            control<QToolButton>(card(), u"cmdDaCompletare"_s)->click();
        }
        QCOMPARE(lines, 0);
        QCOMPARE(program->messages.texts(), QStringList { AccessFailure::message() });
    }

    void exportByteForByte()
    {
        DocumentRecord a
            = document(u"Fattura <2024> & C."_s, u"Città srl"_s, u"05/03/2024"_s, u"Rossi"_s, u"0012"_s, true);
        a.setText(F::notes, u"Nota"_s);
        testsupport::addDocument(a);
        // Leftovers of another record after the length bytes are no part of the texts.
        DocumentRecord b = document(u"Verbale"_s, u"Bianchi"_s, u"06/03/2024"_s);
        QByteArray leftovers = QByteArray(b.data(), DocumentRecord::Size);
        for (int offset : { testsupport::documentBytes::DocumentName + 8, testsupport::documentBytes::Subject + 1,
                 testsupport::documentBytes::Dossier + 1 })
            std::memcpy(leftovers.data() + offset, "XYZ", 3);
        testsupport::addDocument(DocumentRecord::fromBytes(leftovers.constData()));
        testsupport::addDocument(DocumentRecord()); // every field empty, no flag at all

        ui::ExportScreen screen(DocumentCard::exportDefinition(), nullptr);
        screen.show();
        QCOMPARE(screen.objectName(), u"frmExpAltri"_s);
        QCOMPARE(screen.windowTitle(), u" Esporta archivio documenti in Microsoft Excel"_s);
        auto* grid = control<QTableView>(&screen, u"grdRecords"_s);
        QCOMPARE(grid->model()->columnCount(), 23);
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->model()->index(2, 0).data().toString(), u"3"_s);
        // Editable columns take typing into the file only.
        const int notes = screen.column(u"colNote"_s);
        QVERIFY(grid->model()->flags(grid->model()->index(0, notes)) & Qt::ItemIsEditable);
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, screen.column(u"colOggetto"_s))) & Qt::ItemIsEditable));
        grid->model()->setData(grid->model()->index(1, notes), u"scritta qui"_s);

        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        const QString file = program->folder.file(u"Altri_Documenti.xls"_s);
        const QByteArray expected = Head
            + row({ "Fattura &lt;2024&gt; &amp; C.", "0012", "Citt\xE0 srl", "", "05/03/2024", "Rossi", "", "", "", "",
                "", "", "", "", "", "", "", "", "", "", "Nota", "S\xEC" })
            + row({ "Verbale", "", "Bianchi", "", "06/03/2024", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                "", "scritta qui", "No" })
            + row({ "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "" }) + Tail;
        QCOMPARE(testsupport::readFile(file), expected);
        QCOMPARE(program->shellOpens.opened, QStringList { u"\""_s + file + u"\""_s });
        QCOMPARE(DocumentRecord::fromBytes(testsupport::storedDocument(2).constData()).text(F::notes), QString());

        // A spreadsheet program holding the file: the shared failure, the old file kept.
        testsupport::writeFile(program->folder.file(u".~lock.Altri_Documenti.xls#"_s), "held");
        program->messages.clear();
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(program->messages.messages().last().kind, ui::MessageKind::Plain);
        QCOMPARE(program->messages.texts().last(), spreadsheet::exportFailureMessage());
        QCOMPARE(testsupport::readFile(file), expected);
    }

    void emptyArchiveExportsTheHeaderOnly()
    {
        ui::ExportScreen screen(DocumentCard::exportDefinition(), nullptr);
        screen.show();
        QCOMPARE(control<QTableView>(&screen, u"grdRecords"_s)->model()->rowCount(), 0);
        control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        QCOMPARE(testsupport::readFile(program->folder.file(u"Altri_Documenti.xls"_s)), Head + Tail);
    }
};

QTEST_MAIN(TestDocumentLists)
#include "tst_documentlists.moc"
