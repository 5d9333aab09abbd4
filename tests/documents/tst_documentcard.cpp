// The document card: what a save writes, the required fields, duplicate,
// the date fields and the Enter chain, message kinds, and the printed card.
#include "documents/documentcard.h"
#include "documents/documentprint.h"
#include "documents/documentsupport.h"
#include "shell/mainmenu.h"
#include "support/layouts.h"
#include "support/programfixture.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using F = DocumentField;
namespace bytes = testsupport::documentBytes;

namespace {
const QString Inserted = u"La scheda corrente è stata inserita in archivio."_s;
const QString Rewritten = u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s;
const QString NameMissing = u"Attenzione: per salvare la scheda è necessario indicare il nome del documento."_s;
const QString ProducerMissing
    = u"Attenzione: per salvare la scheda è necessario indicare il nome del produttore del documento."_s;
const QString DateMissing
    = u"Attenzione: per salvare la scheda è necessario indicare la data di produzione del documento."_s;
const QString Duplicated = u"E' ora possibile apportare le proprie modifiche alla scheda corrente.\n\r\n\r"
                           u"Al termine premere Salva per inserire la scheda in archivio."_s;
const QString NotYetSaved = u"Attenzione: la duplicazione di una scheda può avvenire soltanto dopo che questa è "
                            u"stata inserita in archivio."_s;
} // namespace

class TestDocumentCard : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    DocumentCard* card() const { return program->screens->documents(); }
    QLineEdit* edit(const QString& name) const { return control<QLineEdit>(card(), name); }
    QCheckBox* toComplete() const { return control<QCheckBox>(card(), u"chkDaCompletare"_s); }
    QString position() const { return control<QLabel>(card(), u"lblPosizione"_s)->text(); }
    void click(const QString& command) const { control<QToolButton>(card(), command)->click(); }
    // The card's own focus, which it gets back when a window over it closes.
    QString focused() const { return card()->focusWidget() ? card()->focusWidget()->objectName() : QString(); }

    void fillRequired()
    {
        edit(u"txtDocumento"_s)->setText(u"Lettera di incarico"_s);
        edit(u"txtProduttore"_s)->setText(u"Rossi Mario"_s);
        edit(u"txtDataPro"_s)->setText(u"05/03/2024"_s);
    }
    // The date picker's answer: the 5th of March 2024, or cancel.
    static std::function<void(QWidget*)> pick(bool confirm)
    {
        return [confirm](QWidget* picker) {
            if (!confirm) {
                picker->findChild<QPushButton*>(u"btnAnnulla"_s)->click();
                return;
            }
            picker->findChild<QCalendarWidget*>(u"calAppuntamenti"_s)->setSelectedDate(QDate(2024, 3, 5));
            picker->findChild<QPushButton*>(u"btnImportaData"_s)->click();
        };
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>();
        card()->open();
        QVERIFY(testsupport::activate(card()));
    }
    void cleanup() { program.reset(); }

    // Both date fields take a typed date, and only a real one.
    void typedDates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("field");
        for (const QString& name : { u"txtDataPro"_s, u"txtDataDes"_s }) {
            QTest::addRow("%s, a date", qPrintable(name)) << name << u"10/12/2026"_s << u"10/12/2026"_s;
            QTest::addRow("%s, a day the month has not", qPrintable(name)) << name << u"30/02/2026"_s << QString();
            QTest::addRow("%s, a year out of range", qPrintable(name)) << name << u"01/01/2999"_s << QString();
        }
    }
    void typedDates()
    {
        QFETCH(QString, name);
        QFETCH(QString, keys);
        QFETCH(QString, field);
        QCOMPARE(testsupport::typeDate(edit(name), keys), !field.isEmpty());
        QCOMPARE(edit(name)->text(), field);
    }

    void eachShowingStartsCleared()
    {
        QVERIFY(card()->windowState() & Qt::WindowMaximized);
        QCOMPARE(card()->windowTitle(), u" Quirvale 5.0 - Archivio Documenti"_s);
        fillRequired();
        toComplete()->setChecked(true);
        card()->card().setPosition(3);
        card()->close();
        QVERIFY(program->menu()->isVisible());
        card()->open();
        QCOMPARE(edit(u"txtDocumento"_s)->text(), QString());
        QCOMPARE(edit(u"txtDataPro"_s)->text(), QString());
        QVERIFY(!toComplete()->isChecked());
        QCOMPARE(position(), QString());
        QCOMPARE(focused(), u"txtDocumento"_s);
        QVERIFY(!QFileInfo::exists(testsupport::documentsArchive())); // nothing saved on closing
    }

    void saveWritesTheRecord()
    {
        testsupport::typeText(edit(u"txtDocumento"_s), u"  Lettera di incarico "_s);
        edit(u"txtProduttore"_s)->setText(u"Rossi Mario"_s);
        {
            testsupport::ModalAnswers picker(pick(true));
            testsupport::pressKey(edit(u"txtDataPro"_s), Qt::Key_X);
            QCOMPARE(picker.count(), 1);
        }
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { Inserted });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Information);
        QCOMPARE(position(), u"1"_s);
        QCOMPARE(QFileInfo(testsupport::documentsArchive()).size(), 3991);

        QByteArray b = testsupport::storedDocument(1);
        QCOMPARE(b.mid(bytes::DocumentName, 20),
            QByteArray("\x13"
                       "Lettera di incarico"));
        QCOMPARE(b.mid(bytes::Producer, 12),
            QByteArray("\x0B"
                       "Rossi Mario"));
        QCOMPARE(b.mid(bytes::ProductionDate, 11),
            QByteArray("\x0A"
                       "05/03/2024"));
        QCOMPARE(b.mid(bytes::ToComplete, 3), QByteArray("\x02\x4E\x6F"));
        for (int empty : { bytes::ProtocolNumber, bytes::ProducerAddress, bytes::Recipient, bytes::RecipientAddress,
                 bytes::ReceiptDate, bytes::Subject, bytes::DocumentType, bytes::Classification, bytes::Dossier,
                 bytes::Format, bytes::PageCount, bytes::Enclosures, bytes::References, bytes::ConfidentialityLevel,
                 bytes::ProductionSoftware, bytes::PaperLocation, bytes::CitedParties, bytes::Notes,
                 bytes::DigitalCopyFile, bytes::AttachedFile1, bytes::AttachedFile2, bytes::AttachedFile3,
                 bytes::AttachmentDescription1, bytes::AttachmentDescription2, bytes::AttachmentDescription3 })
            QCOMPARE(int(b.at(empty)), 0);

        // The box, the digital copy and the attachments part, saved again over the same record.
        toComplete()->setChecked(true);
        edit(u"txtCopia"_s)->setText(u"lettera.pdf"_s);
        card()->card().setAttachments(
            { { u"uno.pdf"_s, u"due.odt"_s, u"tre.txt"_s }, { u"Primo"_s, u"Secondo"_s, u"Terzo"_s } });
        program->messages.clear();
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { Rewritten });
        QCOMPARE(QFileInfo(testsupport::documentsArchive()).size(), 3991);
        b = testsupport::storedDocument(1);
        QCOMPARE(b.mid(bytes::ToComplete, 3), QByteArray("\x02\x53\xEC"));
        QCOMPARE(b.mid(bytes::DigitalCopyFile, 12),
            QByteArray("\x0B"
                       "lettera.pdf"));
        QCOMPARE(b.mid(bytes::AttachedFile1, 8),
            QByteArray("\x07"
                       "uno.pdf"));
        QCOMPARE(b.mid(bytes::AttachedFile2, 8),
            QByteArray("\x07"
                       "due.odt"));
        QCOMPARE(b.mid(bytes::AttachedFile3, 8),
            QByteArray("\x07"
                       "tre.txt"));
        QCOMPARE(b.mid(bytes::AttachmentDescription1, 6),
            QByteArray("\x05"
                       "Primo"));
        QCOMPARE(b.mid(bytes::AttachmentDescription2, 8),
            QByteArray("\x07"
                       "Secondo"));
        QCOMPARE(b.mid(bytes::AttachmentDescription3, 6),
            QByteArray("\x05"
                       "Terzo"));
    }

    void requiredFields_data()
    {
        QTest::addColumn<QStringList>("blanked");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QStringList all = { u"txtDocumento"_s, u"txtProduttore"_s, u"txtDataPro"_s };
        QTest::newRow("all blank, the name first") << all << QString() << NameMissing << u"txtDocumento"_s;
        QTest::newRow("name of blanks") << QStringList { u"txtDocumento"_s } << u"   "_s << NameMissing
                                        << u"txtDocumento"_s;
        QTest::newRow("producer and date blank, the producer first") << QStringList { u"txtProduttore"_s,
            u"txtDataPro"_s } << QString() << ProducerMissing << u"txtProduttore"_s;
        QTest::newRow("producer of blanks")
            << QStringList { u"txtProduttore"_s } << u" \t "_s << ProducerMissing << u"txtProduttore"_s;
        QTest::newRow("date blank") << QStringList { u"txtDataPro"_s } << QString() << DateMissing << u"txtDataPro"_s;
    }
    void requiredFields()
    {
        QFETCH(QStringList, blanked);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        fillRequired();
        for (const QString& field : blanked)
            edit(field)->setText(value);
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { message });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(focused(), focus);
        QVERIFY(!QFileInfo::exists(testsupport::documentsArchive()));
    }

    void duplicateOfRecord5ThenSave()
    {
        for (int i = 1; i <= 6; ++i) {
            DocumentRecord r = testsupport::document(u"Documento %1"_s.arg(i), u"Produttore"_s, u"01/02/2024"_s);
            if (i == 5) {
                r.setText(F::notes, u"Da rileggere"_s);
                r.setText(F::digitalCopyFile, u"scansione.pdf"_s);
                r.setFlag(F::toComplete, true);
                r.setText(F::attachedFile2, u"allegato.pdf"_s);
                r.setText(F::attachmentDescription2, u"Allegato"_s);
            }
            testsupport::addDocument(r);
        }
        card()->card().setPosition(4);
        click(u"cmdAvanti"_s);
        QCOMPARE(position(), u"5"_s);
        QVERIFY(toComplete()->isChecked());
        QVERIFY(control<QPushButton>(card(), u"btnApri"_s)->isEnabled());
        const QByteArray before = testsupport::storedDocument(5);

        click(u"cmdDuplica"_s);
        QCOMPARE(program->messages.texts(), QStringList { Duplicated });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Information);
        QCOMPARE(position(), QString());
        QCOMPARE(edit(u"txtDocumento"_s)->text(), u"Documento 5"_s);
        QCOMPARE(edit(u"txtNote"_s)->text(), u"Da rileggere"_s);
        QCOMPARE(edit(u"txtCopia"_s)->text(), QString());
        QVERIFY(!control<QPushButton>(card(), u"btnApri"_s)->isEnabled());
        QVERIFY(!toComplete()->isChecked());
        QCOMPARE(card()->card().attachments().files[1], QString());
        QCOMPARE(card()->card().attachments().descriptions[1], QString());
        QCOMPARE(focused(), u"txtDocumento"_s);

        program->messages.clear();
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { Inserted });
        QCOMPARE(position(), u"7"_s);
        QCOMPARE(testsupport::storedDocument(5), before);
        const DocumentRecord copy = DocumentRecord::fromBytes(testsupport::storedDocument(7).constData());
        QCOMPARE(copy.text(F::documentName), u"Documento 5"_s);
        QCOMPARE(copy.text(F::notes), u"Da rileggere"_s);
        QCOMPARE(copy.text(F::digitalCopyFile), QString());
        QVERIFY(copy.isNo(F::toComplete));
        QCOMPARE(copy.text(F::attachedFile2), QString());
    }

    void messageKinds_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("archiveUnreachable");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        const QString access = AccessFailure::message();
        QTest::newRow("duplicate of a new card")
            << u"cmdDuplica"_s << false << NotYetSaved << int(ui::MessageKind::Warning);
        QTest::newRow("first on an empty archive")
            << u"cmdPrimo"_s << false << u"L'archivio non contiene nessuna scheda."_s
            << int(ui::MessageKind::Information);
        QTest::newRow("save, archive unreachable") << u"cmdSalva"_s << true << access << int(ui::MessageKind::Error);
        QTest::newRow("last, archive unreachable") << u"cmdUltimo"_s << true << access << int(ui::MessageKind::Error);
        QTest::newRow("duplicate, archive unreachable")
            << u"cmdDuplica"_s << true << access << int(ui::MessageKind::Warning);
    }
    void messageKinds()
    {
        QFETCH(QString, command);
        QFETCH(bool, archiveUnreachable);
        QFETCH(QString, text);
        QFETCH(int, kind);
        fillRequired();
        if (archiveUnreachable) {
            QDir().mkdir(testsupport::documentsArchive()); // a folder where the archive should be
            if (command == u"cmdDuplica"_s)
                card()->card().setPosition(1);
        }
        click(command);
        // The filled card asks before it is left; what follows is the message of the command.
        const QStringList texts = testsupport::withoutSaveQuestion(program->messages.texts());
        QCOMPARE(texts, QStringList { text });
        QCOMPARE(int(program->messages.messages().last().kind), kind);
    }

    void dateKeys_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("pickers"); // -1: opened and cancelled
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus");
        const QString production = u"txtDataPro"_s, receipt = u"txtDataDes"_s;
        QTest::newRow("production, Backspace") << production << int(Qt::Key_Backspace) << 0 << QString() << production;
        QTest::newRow("production, Delete") << production << int(Qt::Key_Delete) << 0 << QString() << production;
        QTest::newRow("production, a letter")
            << production << int(Qt::Key_A) << 1 << u"05/03/2024"_s << u"txtDestinatario"_s;
        QTest::newRow("production, Enter")
            << production << int(Qt::Key_Return) << 1 << u"05/03/2024"_s << u"txtDestinatario"_s;
        QTest::newRow("receipt, a digit") << receipt << int(Qt::Key_7) << 1 << u"05/03/2024"_s << u"txtOggetto"_s;
        QTest::newRow("receipt, Delete") << receipt << int(Qt::Key_Delete) << 0 << QString() << receipt;
        QTest::newRow("receipt, picker cancelled") << receipt << int(Qt::Key_Space) << -1 << u"01/01/2020"_s << receipt;
        QTest::newRow("receipt, Tab moves on")
            << receipt << int(Qt::Key_Tab) << 0 << u"01/01/2020"_s << u"txtOggetto"_s;
    }
    void dateKeys()
    {
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(int, pickers);
        QFETCH(QString, text);
        QFETCH(QString, focus);
        QLineEdit* date = edit(field);
        date->setText(u"01/01/2020"_s);
        date->setFocus();
        testsupport::ModalAnswers picker(pick(pickers > 0));
        testsupport::pressKey(date, Qt::Key(key));
        QCOMPARE(picker.count(), std::abs(pickers));
        QCOMPARE(date->text(), text);
        QCOMPARE(focused(), focus);
    }

    void enterAndTabOrder()
    {
        const QList<QStringList> chains = {
            { u"txtDocumento"_s, u"txtProtocollo"_s, u"txtProduttore"_s, u"txtIndirizzoPro"_s, u"txtDataPro"_s },
            { u"txtDestinatario"_s, u"txtIndirizzoDes"_s, u"txtDataDes"_s },
            { u"txtOggetto"_s, u"txtTipo"_s, u"txtClassificazione"_s, u"txtFascicolo"_s, u"txtFormato"_s,
                u"txtPagine"_s, u"txtAllegati"_s, u"txtRiferimenti"_s, u"txtLivello"_s, u"txtSoftware"_s, u"txtLuogo"_s,
                u"txtSoggetti"_s, u"txtNote"_s, u"txtCopia"_s, u"txtCopia"_s },
        };
        for (const QStringList& chain : chains) {
            edit(chain.first())->setFocus();
            QStringList walked = { focused() };
            for (qsizetype i = 1; i < chain.size(); ++i) {
                QTest::keyClick(card()->focusWidget(), Qt::Key_Return);
                walked << focused();
            }
            QCOMPARE(walked, chain);
        }
        // The box between the cited parties and the notes; the copy's commands last.
        edit(u"txtCopia"_s)->setText(u"copia.pdf"_s);
        edit(u"txtSoggetti"_s)->setFocus();
        QStringList tabbed;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(card()->focusWidget(), Qt::Key_Tab);
            tabbed << focused();
        }
        QCOMPARE(
            tabbed, (QStringList { u"chkDaCompletare"_s, u"txtNote"_s, u"txtCopia"_s, u"btnSfoglia"_s, u"btnApri"_s }));
    }

    void printedCard()
    {
        fillRequired();
        edit(u"txtFascicolo"_s)->setText(u"Pratiche 2024"_s);
        edit(u"txtSoftware"_s)->setText(u"LibreOffice"_s);
        edit(u"txtLuogo"_s)->setText(u"Archivio storico"_s);
        edit(u"txtSoggetti"_s)->setText(u"  Bianchi Anna  "_s);
        edit(u"txtNote"_s)->setText(u"Scade il [DATE]"_s); // not saved: the card prints what it shows
        edit(u"txtCopia"_s)->setText(u"copia-digitale.pdf"_s);
        toComplete()->setChecked(true);
        card()->card().setAttachments({ { u"allegato-uno.pdf"_s, {}, {} }, { u"Descrizione uno"_s, {}, {} } });
        QString caption;
        {
            testsupport::ModalAnswers confirm([&caption](QWidget* screen) {
                caption = screen->objectName() + u"|"_s + screen->windowTitle();
                screen->findChild<QPushButton*>(u"btnStampa"_s)->click();
            });
            click(u"cmdStampa"_s);
            QCOMPARE(confirm.count(), 1);
        }
        QCOMPARE(caption, u"frmStampaAltri| Stampa scheda"_s);
        const QStringList pages = testsupport::pdfText(program->pdf);
        QCOMPARE(pages.size(), 1);
        const QString page = pages.first();
        const QList<std::pair<QString, QString>> rows = { { u"Documento:"_s, u"Lettera di incarico"_s },
            { u"Protocollo n."_s, QString() }, { u"Produttore:"_s, u"Rossi Mario"_s },
            { u"Indirizzo produttore:"_s, QString() }, { u"Data produzione:"_s, u"05/03/2024"_s },
            { u"Destinatario:"_s, QString() }, { u"Indirizzo destinatario:"_s, QString() },
            { u"Data ricezione:"_s, QString() }, { u"Oggetto:"_s, QString() }, { u"Tipo documento:"_s, QString() },
            { u"Classificazione:"_s, QString() }, { u"Fascicolo contenitore:"_s, u"Pratiche 2024"_s },
            { u"Formato:"_s, QString() }, { u"N. pagine:"_s, QString() }, { u"Allegati:"_s, QString() },
            { u"Riferimenti:"_s, QString() }, { u"Livello di riservatezza:"_s, QString() },
            { u"Software di produzione:"_s, u"LibreOffice"_s }, { u"Luogo conservazione:"_s, u"Archivio storico"_s },
            { u"Soggetti citati:"_s, u"Bianchi Anna"_s }, { u"Note:"_s, u"Scade il [DATE]"_s } };
        QStringList labels;
        for (const QString& line : page.split(u'\n')) {
            const QString t = line.trimmed();
            if (!t.isEmpty() && !t.startsWith(u"SCHEDA"_s) && !t.startsWith(u"Stampa"_s))
                labels << t;
        }
        QStringList expected;
        for (const auto& [label, value] : rows)
            expected << (value.isEmpty() ? label : label + u" "_s + value);
        for (QString& l : labels)
            l.replace(QRegularExpression(u"\\s{2,}"_s), u" "_s);
        QCOMPARE(labels, expected); // one line each, top to bottom; flag and files not printed
        QVERIFY(page.contains(u"SCHEDA RIASSUNTIVA DEL DOCUMENTO"_s));
        QVERIFY(page.contains(u"Stampa eseguita in data 10/03/2024 alle ore 09:05:30"_s));
    }

    void printedCardPlaces()
    {
        // Millimetres from the paper's corner: margins of 10 mm.
        QList<ui::PrintRow> rows;
        for (int k = 1; k <= documents::PrintedRows; ++k)
            rows.append({ u"Voce %1:"_s.arg(k), QString(300, u'x') });
        const report::Template t = documents::documentCardReport(rows);
        QCOMPARE(t.pages().size(), 1);
        QCOMPARE(t.orientation(), QPageLayout::Portrait);
        QMap<QString, QRectF> at;
        for (const report::PlacedObject& o : t.pages().first().objects)
            at[o.object->name] = o.rect;
        const auto same = [](const QRectF& a, const QRectF& b) {
            return qAbs(a.x() - b.x()) < 1e-6 && qAbs(a.y() - b.y()) < 1e-6 && qAbs(a.width() - b.width()) < 1e-6
                && qAbs(a.height() - b.height()) < 1e-6;
        };
        QVERIFY(same(at.value(u"titArcataSup"_s), QRectF(10, 11, 188, 5.8)));
        QVERIFY(same(at.value(u"txtRiga01"_s), QRectF(54, 17, 144, 4.6)));
        QVERIFY(same(at.value(u"txtRiga21"_s), QRectF(54, 117, 144, 4.6)));
        QVERIFY(same(at.value(u"linSepara"_s), QRectF(52, 17, 0, 104.6)));
        QVERIFY(same(at.value(u"txtCalce"_s), QRectF(10, 123, 188, 5.8)));
        QVERIFY(at.value(u"lblRiga21"_s).right() <= 52);
        QVERIFY(!t.find(u"txtRiga01"_s)->dateVariable);
    }
};

QTEST_MAIN(TestDocumentCard)
#include "tst_documentcard.moc"
