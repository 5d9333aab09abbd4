// The contact card on the real widgets: its binding table against bytes
// written out here, its typing rules, the checker and mail buttons, the
// contacts to call back, the printed card and its PDF.
#include "contacts/contactcard.h"
#include "storage/programfolder.h"
#include "support/layouts.h"
#include "support/programfixture.h"
#include "ui/report.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using F = ContactField;
namespace bytes = testsupport::contactBytes;

namespace {

// The controls of the 36 fields, in record order.
const QStringList Controls = { u"txtCliente"_s, u"txtDataNasc"_s, u"txtComuneNasc"_s, u"txtProvNasc"_s, u"txtSesso"_s,
    u"txtRecapito"_s, u"txtIndirizzoRes"_s, u"txtProvRes"_s, u"txtComuneRes"_s, u"txtCapRes"_s, u"txtEstremi"_s,
    u"txtTelCasa"_s, u"txtTelUff"_s, u"txtTelCel"_s, u"txtFax"_s, u"txtEmail"_s, u"txtCodFisc"_s, u"txtCarta"_s,
    u"txtScadeCarta"_s, u"txtPartitaIva"_s, u"txtIban"_s, u"txtDocumento"_s, u"txtOccupazione"_s, u"txtCivile"_s,
    u"txtTitoli"_s, u"txtProdotti"_s, u"txtZona"_s, u"txtQuestioni"_s, u"txtNote"_s, u"chkRicontatta"_s, u"lblFile01"_s,
    u"lblFile02"_s, u"lblFile03"_s, u"lblDesc01"_s, u"lblDesc02"_s, u"lblDesc03"_s };

// A distinct value for field i that fits its capacity.
QByteArray distinct(int i, int capacity)
{
    if (i == 29)
        return QByteArray("S\xEC", 2);
    const QByteArray v = QByteArray::number(i) + (capacity > 2 ? "abcdefghij" : "");
    return v.left(capacity);
}

QString shown(QWidget* control)
{
    if (auto* box = qobject_cast<QCheckBox*>(control))
        return box->isChecked() ? u"Sì"_s : u"No"_s;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentText();
    return control->property("text").toString();
}

} // namespace

class TestContactCard : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    ContactCard* card() const { return program->screens->contacts(); }
    QLineEdit* edit(const QString& name) const { return control<QLineEdit>(card(), name); }
    void click(const QString& name) const { control<QAbstractButton>(card(), name)->click(); }
    QString path() const { return programFolder::file(programFolder::Contacts); }
    QByteArray stored(qint64 position) const
    {
        return testsupport::readFile(path()).mid((position - 1) * bytes::RecordSize, bytes::RecordSize);
    }
    void addContact(const QString& name, const QString& town, const QString& province, bool callBack,
        const QString& issues = QString())
    {
        ContactRecord r;
        r.setText(F::fullName, name);
        r.setText(F::residenceTown, town);
        r.setText(F::residenceProvince, province);
        r.setText(F::pendingIssues, issues);
        r.setFlag(F::toRecontact, callBack);
        archive::append(path(), ContactRecord::Size, r.data());
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10));
        card()->open();
        QVERIFY(testsupport::activate(card()));
    }
    void cleanup() { program.reset(); }

    void everyFieldLoadsAndSavesBack()
    {
        // One record written byte by byte: a distinct value in each of the 36 fields.
        QByteArray record(bytes::RecordSize, '\0');
        int offset = 0;
        for (int i = 0; i < int(testsupport::ContactSlots.size()); ++i) {
            const auto slot = testsupport::ContactSlots[std::size_t(i)];
            QCOMPARE(slot.offset, offset);
            const QByteArray value = distinct(i, slot.capacity);
            record[slot.offset] = char(value.size());
            record.replace(slot.offset + 1, value.size(), value);
            offset += slot.capacity + 1;
        }
        testsupport::writeFile(path(), record);
        click(u"cmdPrimo"_s);
        for (int i = 0; i < Controls.size(); ++i) {
            const auto slot = testsupport::ContactSlots[std::size_t(i)];
            QCOMPARE(shown(control<QWidget>(card(), Controls[i])), QString::fromLatin1(distinct(i, slot.capacity)));
        }
        QCOMPARE(control<QLabel>(card(), u"lblPosizione"_s)->text(), u"1"_s);
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts().last(),
            u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s);
        QCOMPARE(stored(1), record);
    }

    void nameOnlyCard_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QByteArray>("flag");
        QTest::newRow("not to call back") << false << QByteArray("\x02\x4E\x6F", 3);
        QTest::newRow("to call back") << true << QByteArray("\x02\x53\xEC", 3);
    }
    void nameOnlyCard()
    {
        QFETCH(bool, ticked);
        QFETCH(QByteArray, flag);
        testsupport::typeText(edit(u"txtCliente"_s), u"Rossi Mario"_s);
        control<QCheckBox>(card(), u"chkRicontatta"_s)->setChecked(ticked);
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(), QStringList { u"La scheda corrente è stata inserita in archivio."_s });
        const QByteArray b = stored(1);
        QCOMPARE(b.size(), bytes::RecordSize);
        QCOMPARE(b.left(12),
            QByteArray("\x0B"
                       "Rossi Mario"));
        for (const auto& slot : testsupport::ContactSlots) {
            if (slot.offset != bytes::FullName && slot.offset != bytes::ToRecontact)
                QCOMPARE(int(b.at(slot.offset)), 0);
        }
        QCOMPARE(b.mid(bytes::ToRecontact, 3), flag);
    }

    void blankNameIsRefused()
    {
        edit(u"txtCliente"_s)->setText(u"   "_s);
        edit(u"txtNote"_s)->setText(u"nota"_s);
        click(u"cmdSalva"_s);
        QCOMPARE(program->messages.texts(),
            QStringList { u"Attenzione: per salvare la scheda è necessario indicare il nome del contatto."_s });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);
        QCOMPARE(card()->focusWidget(), edit(u"txtCliente"_s));
        QVERIFY(!QFileInfo::exists(path()) || QFileInfo(path()).size() == 0);
    }

    void duplicateEmptiesTheAttachmentsAndAppends()
    {
        addContact(u"Rossi"_s, u"Roma"_s, u"RM"_s, true);
        click(u"cmdPrimo"_s);
        card()->card().setAttachments({ { u"a.pdf"_s, {}, {} }, { u"Contratto"_s, {}, {} } });
        const QByteArray before = stored(1);
        click(u"cmdDuplica"_s);
        QCOMPARE(control<QLabel>(card(), u"lblPosizione"_s)->text(), QString());
        QCOMPARE(edit(u"txtComuneRes"_s)->text(), u"Roma"_s);
        QVERIFY(control<QCheckBox>(card(), u"chkRicontatta"_s)->isChecked());
        QCOMPARE(control<QLabel>(card(), u"lblFile01"_s)->text(), QString());
        click(u"cmdSalva"_s);
        QCOMPARE(control<QLabel>(card(), u"lblPosizione"_s)->text(), u"2"_s);
        QCOMPARE(stored(1), before);
    }

    void typingRules_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("shown");
        QTest::newRow("province upper-cased") << u"txtProvRes"_s << u"rm"_s << false << u"RM"_s;
        QTest::newRow("any two characters") << u"txtProvNasc"_s << u"xy"_s << false << u"XY"_s;
        QTest::newRow("codice fiscale trimmed and upper-cased") << u"txtCodFisc"_s << u" rss"_s << false << u"RSS"_s;
        QTest::newRow("IBAN") << u"txtIban"_s << u"it60 "_s << false << u"IT60"_s;
        QTest::newRow("sex") << u"txtSesso"_s << u"f"_s << false << u"F"_s;
        QTest::newRow("CAP on key release") << u"txtCapRes"_s << u"i00184"_s << false << u"I0018"_s;
        QTest::newRow("PEC trimmed") << u"txtFax"_s << u" pec@x.it "_s << false << u"pec@x.it"_s;
        QTest::newRow("card number typed") << u"txtCarta"_s << u"a7"_s << false << u"7"_s;
        QTest::newRow("card number pasted") << u"txtCarta"_s << u"a7"_s << true << u"7"_s;
        QTest::newRow("partita IVA typed") << u"txtPartitaIva"_s << u"01a2"_s << false << u"012"_s;
    }
    void typingRules()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, pasted);
        QFETCH(QString, shown);
        QWidget* target = control<QWidget>(card(), field);
        if (auto* combo = qobject_cast<QComboBox*>(target))
            target = combo->lineEdit();
        target->setFocus();
        if (pasted) {
            QApplication::clipboard()->setText(typed);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        } else {
            testsupport::typeText(target, typed);
        }
        QCOMPARE(::shown(control<QWidget>(card(), field)), shown);
    }

    void rewritingKeepsTheCursor()
    {
        QLineEdit* code = edit(u"txtCodFisc"_s);
        code->setFocus();
        testsupport::typeText(code, u"rssmra"_s);
        code->setCursorPosition(3);
        testsupport::typeText(code, u"x"_s);
        QCOMPARE(code->text(), u"RSSXMRA"_s);
        QCOMPARE(code->cursorPosition(), 4);
    }

    void provinceListAndItsSelection()
    {
        auto* province = control<QComboBox>(card(), u"txtProvRes"_s);
        QCOMPARE(province->count(), 112);
        QCOMPARE(province->itemText(0), u"AG"_s);
        QCOMPARE(province->itemText(111), u"VV"_s);
        province->setCurrentIndex(province->findText(u"RM"_s));
        edit(u"txtNote"_s)->setFocus();
        province->setFocus();
        QCOMPARE(province->currentIndex(), -1);
        QCOMPARE(province->currentText(), u"RM"_s);
    }

    void codiceFiscaleButtonRoutes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("window");
        QTest::newRow("eleven digits") << u"01234567890"_s << u"frmPartitaIva"_s;
        QTest::newRow("letters") << u"RSSMRA80A01H501U"_s << u"frmCodFisc"_s;
        QTest::newRow("empty") << u""_s << u"frmCodFisc"_s;
    }
    void codiceFiscaleButtonRoutes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, window);
        edit(u"txtCodFisc"_s)->setText(typed);
        QString opened, handed;
        testsupport::whenModal([&](QWidget* w) {
            opened = w->objectName();
            handed = w->findChild<QLineEdit*>()->text();
            w->close();
        });
        click(u"btnCodFisc"_s);
        QCOMPARE(opened, window);
        QCOMPARE(handed, typed);
    }

    void checkerButtons_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("partita IVA") << u"txtPartitaIva"_s << u"btnPartitaIva"_s << u"frmPartitaIva"_s;
        QTest::newRow("card") << u"txtCarta"_s << u"btnCarta"_s << u"frmCarta"_s;
        QTest::newRow("IBAN") << u"txtIban"_s << u"btnIban"_s << u"frmIban"_s;
    }
    void checkerButtons()
    {
        QFETCH(QString, field);
        QFETCH(QString, button);
        QFETCH(QString, window);
        edit(field)->setText(u"123"_s);
        QString opened, handed;
        testsupport::whenModal([&](QWidget* w) {
            opened = w->objectName();
            handed = w->findChild<QLineEdit*>()->text();
            w->close();
        });
        click(button);
        QCOMPARE(opened, window);
        QCOMPARE(handed, u"123"_s);
    }

    void mailAddressIsTheOnlyRecipient()
    {
        edit(u"txtEmail"_s)->setText(u"a?subject=x&cc=b@c.it#d@e.it"_s);
        click(u"btnEmail"_s);
        edit(u"txtEmail"_s)->clear();
        click(u"btnEmail"_s);
        QCOMPARE(program->shellOpens.opened,
            (QStringList { u"\"mailto:a%3Fsubject%3Dx%26cc%3Db@c.it%23d@e.it\""_s, u"\"mailto:\""_s }));
    }

    void callBackList()
    {
        addContact(u"Verdi"_s, u"Roma"_s, u"RM"_s, true, u"preventivo"_s);
        addContact(u"Bianchi"_s, u"Bari"_s, u"BA"_s, false);
        addContact(u"Rossi"_s, u"Roma"_s, u"RM"_s, true, u"fattura"_s);
        {
            ui::ListScreen list(card()->callBackList(), card());
            list.show();
            QCOMPARE(list.objectName(), u"frmRicontatta"_s);
            QCOMPARE(list.windowTitle(), u" Riepilogo persone da ricontattare"_s);
            const QStringList lines = testsupport::listedLines(&list);
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines[0],
                u"Rossi"_s + QString(21, u' ') + u"  Tel. "_s + QString(15, u' ') + u"  "_s + QString(25, u' ')
                    + u"  Prod. "_s + QString(30, u' ') + u"  fattura"_s);
            auto* view = control<QListView>(&list, u"lstRecords"_s);
            QTest::mouseDClick(
                view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
            QVERIFY(!list.isVisible());
        }
        QCOMPARE(edit(u"txtCliente"_s)->text(), u"Verdi"_s);
        QCOMPARE(control<QLabel>(card(), u"lblPosizione"_s)->text(), u"1"_s);
        control<QCheckBox>(card(), u"chkRicontatta"_s)->setChecked(false);
        click(u"cmdSalva"_s);
        ui::ListScreen again(card()->callBackList(), card());
        again.show();
        QCOMPARE(testsupport::listedLines(&again).size(), 1);
    }

    void statusLineOverCommandsFieldsAndBackground()
    {
        auto* line = control<QLabel>(card(), u"panInfo"_s);
        const auto move = [](QWidget* over) {
            QMouseEvent event(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), QPointF(1, 1), Qt::NoButton,
                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(over, &event);
        };
        move(control<QWidget>(card(), u"cmdRicontatta"_s));
        QCOMPARE(line->text(), u"Visualizza il riepilogo delle persone da ricontattare."_s);
        move(edit(u"txtNote"_s));
        QCOMPARE(line->text(), u"Visualizza il riepilogo delle persone da ricontattare."_s); // fields leave it
        move(control<QWidget>(card(), u"panCorpo"_s));
        QCOMPARE(line->text(), QString());
    }

    void printedRows()
    {
        edit(u"txtComuneRes"_s)->setText(u"Roma"_s);
        control<QComboBox>(card(), u"txtProvRes"_s)->setEditText(u"RM"_s);
        edit(u"txtZona"_s)->setText(u"Centro"_s);
        const auto rows = card()->printRows(false);
        QCOMPARE(rows.size(), 24);
        QCOMPARE(rows[6].value, u"Roma RM"_s);
        QCOMPARE(rows[2].value, u" "_s); // town and province of birth both empty
        QCOMPARE(rows[15].value, u"N.   -  Scadenza: "_s);
        QCOMPARE(rows[21].label, u"Zona:"_s);
        QCOMPARE(card()->printRows(true)[21].label, u"Zona di appartenenza:"_s);
    }

    void pdfReplacesTheFileAndAsks()
    {
        const QString pdf = programFolder::file(u"Contatto.pdf"_s);
        edit(u"txtCliente"_s)->setText(u"Primo Contatto"_s);
        edit(u"txtComuneRes"_s)->setText(u"Roma"_s);
        control<QComboBox>(card(), u"txtProvRes"_s)->setEditText(u"RM"_s);
        program->messages.queueAnswer(ui::Answer::No); // the first is left unopened
        click(u"cmdPDF"_s);
        QVERIFY(program->shellOpens.opened.isEmpty());
        edit(u"txtCliente"_s)->setText(u"Secondo Contatto"_s);
        click(u"cmdPDF"_s);
        const QString question
            = u"L'esportazione della scheda in PDF è terminata con successo.\r\n\r\nSi vuole aprire il file?"_s;
        QCOMPARE(program->messages.texts(), (QStringList { question, question }));
        QCOMPARE(program->shellOpens.opened, QStringList { u"\""_s + pdf + u"\""_s });
        const QString text = testsupport::pdfText(pdf).join(QString());
        QVERIFY(text.contains(u"Secondo Contatto"_s));
        QVERIFY(!text.contains(u"Primo Contatto"_s));
        QVERIFY(text.contains(u"Roma RM"_s));
        QVERIFY(text.contains(u"Zona di appartenenza:"_s));
        QVERIFY(text.contains(u"SCHEDA ANAGRAFICA CONTATTO"_s));
        QVERIFY(text.contains(u"Stampa eseguita in data 10/03/2024 alle ore 09:05:30"_s));
        QCOMPARE(testsupport::pdfText(pdf).size(), 1);
        // The information dictionary, as poppler reads it.
        QProcess info;
        info.start(u"pdfinfo"_s, { pdf });
        QVERIFY(info.waitForFinished(20000));
        const QString fields = QString::fromUtf8(info.readAllStandardOutput());
        for (const QString& field : { u"Title:\\s+Scheda informativa\n"_s, u"Subject:\\s+Scheda informativa\n"_s,
                 u"Author:\\s+Quirvale 5.0\n"_s, u"Creator:\\s+Quirvale 5.0\n"_s })
            QVERIFY2(fields.contains(QRegularExpression(field)), qPrintable(fields));
    }

    void unwritablePdfIsAnError()
    {
        QDir().mkdir(programFolder::file(u"Contatto.pdf"_s)); // a folder where the file should go
        click(u"cmdPDF"_s);
        QCOMPARE(
            program->messages.texts(), QStringList { u"Attenzione: il sistema non permette di creare il file PDF."_s });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Error);
        QVERIFY(program->shellOpens.opened.isEmpty());
    }

    void previewShowsTheScreenAsItIs()
    {
        QStringList previewed;
        report::printer::setPreviewHandler([&](const report::Template& t) {
            for (const report::Page& page : t.pages())
                for (const report::PlacedObject& o : page.objects)
                    previewed << o.lines;
        });
        edit(u"txtZona"_s)->setText(u"[DATE]"_s);
        click(u"cmdAnteprima"_s);
        QVERIFY(previewed.contains(u"Zona:"_s));
        QVERIFY(previewed.contains(u"[DATE]"_s));
        QVERIFY(previewed.contains(u"N.   -  Scadenza: "_s));
    }
};

QTEST_MAIN(TestContactCard)
#include "tst_contactcard.moc"
