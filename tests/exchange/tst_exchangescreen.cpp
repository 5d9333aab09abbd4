// The exchange screen as the user works it, opened from the cards: the
// file chosen in the file dialog, the preview, the confirmation, the result.
#include "exchange/exchangeplan.h"
#include "support/programfixture.h"

#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "ui/services.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using testsupport::ProgramFixture;

namespace {

const QString Fixtures = QStringLiteral(FIXTURES_DIR);

QStringList lines(QWidget* screen)
{
    QStringList shown;
    auto* list = control<QListWidget>(screen, u"lstAnteprima"_s);
    for (int i = 0; i < list->count(); ++i)
        shown.append(list->item(i)->text());
    return shown;
}

void click(QWidget* screen, const QString& name)
{
    QTest::mouseClick(control<QToolButton>(screen, name), Qt::LeftButton);
}

// Opens the exchange screen from a card's command and runs `work` on it.
void onExchangeScreen(QWidget* card, const std::function<void(QWidget*)>& work)
{
    bool opened = false;
    testsupport::whenModal([&](QWidget* screen) {
        opened = true;
        QCOMPARE(screen->objectName(), u"frmScambio"_s);
        work(screen);
        click(screen, u"cmdEsci"_s);
    });
    click(card, u"cmdScambio"_s);
    QVERIFY(opened);
}

struct FileDialogAnswer {
    explicit FileDialogAnswer(const QString& path)
    {
        ui::fileDialog::setHandler([path](const QString&, const QString&) { return path; });
        ui::fileDialog::setSaveHandler([path](const QString&, const QString&, const QString&) { return path; });
    }
    ~FileDialogAnswer()
    {
        ui::fileDialog::setHandler({});
        ui::fileDialog::setSaveHandler({});
    }
};

} // namespace

class TestExchangeScreen : public QObject {
    Q_OBJECT
private slots:
    void contactsImportedAfterThePreviewIsConfirmed()
    {
        ProgramFixture program;
        program.screens->contacts()->show();
        FileDialogAnswer answer(Fixtures + u"/phone21.vcf"_s);
        const QString archive = programFolder::file(programFolder::Contacts);
        onExchangeScreen(program.screens->contacts(), [&](QWidget* screen) {
            QVERIFY(control<QCheckBox>(screen, u"chkDatiFiscali"_s)->isVisibleTo(screen));
            QVERIFY(!control<QWidget>(screen, u"txtDal"_s)->isVisibleTo(screen));
            click(screen, u"cmdImportaFile"_s);
            QCOMPARE(lines(screen), (QStringList { u"Aggiungere: Nicolò Niccolò"_s, u"Aggiungere: Città André"_s }));
            // Nothing is written before the confirmation.
            QCOMPARE(archive::count(archive, ContactRecord::Size), 0);
            click(screen, u"cmdConferma"_s);
            QCOMPARE(archive::count(archive, ContactRecord::Size), 2);
            QVERIFY(!control<QToolButton>(screen, u"cmdConferma"_s)->isEnabled());
            QVERIFY(lines(screen).isEmpty());
            // The same file again: reported, nothing to confirm.
            click(screen, u"cmdImportaFile"_s);
            QCOMPARE(lines(screen).size(), 2);
            QVERIFY(lines(screen)[0].startsWith(u"Saltare: Nicolò Niccolò"_s));
            QVERIFY(!control<QToolButton>(screen, u"cmdConferma"_s)->isEnabled());
        });
        QCOMPARE(program.messages.texts(),
            QStringList { u"Importazione completata. Schede aggiunte: 2. Schede aggiornate: 0. Voci saltate: 0."_s });
        QCOMPARE(archive::count(archive, ContactRecord::Size), 2);
    }

    void repeatsFollowTheRangeTyped()
    {
        ProgramFixture program; // today is 10/03/2024
        FileDialogAnswer answer(Fixtures + u"/recurring.ics"_s);
        onExchangeScreen(program.card(), [&](QWidget* screen) {
            QCOMPARE(control<QLineEdit>(screen, u"txtDal"_s)->text(), u"10/03/2024"_s);
            QCOMPARE(control<QLineEdit>(screen, u"txtAl"_s)->text(), u"10/03/2025"_s);
            click(screen, u"cmdImportaFile"_s);
            // From 10/03: the Tuesdays 12/03, 26/03, 09/04 and the moved 02/04; 19/03 excluded.
            QCOMPARE(lines(screen).count(u"Aggiungere: 12/03/2024 09:30  Riunione di studio"_s), 1);
            QCOMPARE(lines(screen).filter(u"Aggiungere"_s).size(), 4);
            auto* to = control<QLineEdit>(screen, u"txtAl"_s);
            to->setText(u"31/03/2024"_s);
            emit to->editingFinished();
            QCOMPARE(lines(screen).filter(u"Aggiungere"_s),
                (QStringList { u"Aggiungere: 12/03/2024 09:30  Riunione di studio"_s,
                    u"Aggiungere: 26/03/2024 09:30  Riunione di studio"_s }));
        });
    }

    void damagedFileIsReportedAndNothingWritten()
    {
        ProgramFixture program;
        FileDialogAnswer answer(Fixtures + u"/damaged-unclosed.ics"_s);
        onExchangeScreen(program.card(), [&](QWidget* screen) {
            click(screen, u"cmdImportaFile"_s);
            QVERIFY(lines(screen).isEmpty());
            QVERIFY(!control<QToolButton>(screen, u"cmdConferma"_s)->isEnabled());
        });
        QCOMPARE(program.messages.messages().size(), 1);
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Error);
        QVERIFY(program.messages.messages()[0].text.startsWith(u"Il file è danneggiato alla riga 13:"_s));
        QCOMPARE(archive::count(program.appointments(), AppointmentRecord::Size), 0);
    }

    void appointmentsExportedToTheChosenFile()
    {
        ProgramFixture program;
        program.addAppointment(
            testsupport::appointment(u"12/03/2024"_s, u"10"_s, u"15"_s, u"2"_s, u"Firma"_s, u"Rossi"_s));
        QTemporaryDir files;
        const QString path = files.filePath(u"agenda.ics"_s);
        FileDialogAnswer answer(path);
        onExchangeScreen(program.card(), [&](QWidget* screen) { click(screen, u"cmdEsportaFile"_s); });
        QCOMPARE(program.messages.texts(), QStringList { u"Esportato 1 appuntamento nel file \"%1\"."_s.arg(path) });
        const QByteArray file = testsupport::readFile(path);
        QVERIFY(file.contains("DTSTART;TZID=Europe/Rome:20240312T101500\r\n"));
        QVERIFY(file.contains("SUMMARY:Firma\r\n"));
    }

    void fiscalDataGoOutOnlyWhenTicked_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("version4");
        QTest::newRow("not ticked, 3.0") << false << false;
        QTest::newRow("ticked, 4.0") << true << true;
    }
    void fiscalDataGoOutOnlyWhenTicked()
    {
        QFETCH(bool, ticked);
        QFETCH(bool, version4);
        ProgramFixture program;
        ContactRecord contact;
        contact.setText(ContactField::fullName, u"Rossi Mario"_s);
        contact.setText(ContactField::taxCode, u"RSSMRA80A01H501U"_s);
        contact.setText(ContactField::iban, u"IT60X0542811101000000123456"_s);
        contact.setText(ContactField::cardNumber, u"4111111111111111"_s);
        contact.setText(ContactField::identityDocument, u"CI AX1234567"_s);
        archive::append(programFolder::file(programFolder::Contacts), ContactRecord::Size, contact.data());
        QTemporaryDir files;
        const QString path = files.filePath(u"rubrica.vcf"_s);
        FileDialogAnswer answer(path);
        onExchangeScreen(program.screens->contacts(), [&](QWidget* screen) {
            auto* fiscal = control<QCheckBox>(screen, u"chkDatiFiscali"_s);
            QVERIFY(!fiscal->isChecked()); // never by default
            if (ticked)
                QTest::keyClick(fiscal, Qt::Key_Space);
            QCOMPARE(fiscal->isChecked(), ticked);
            control<QCheckBox>(screen, u"chkVCard4"_s)->setChecked(version4);
            click(screen, u"cmdEsportaFile"_s);
        });
        const QByteArray file = testsupport::readFile(path);
        QVERIFY(file.contains(version4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n"));
        QCOMPARE(file.contains("X-CODICE-FISCALE:RSSMRA80A01H501U\r\n"), ticked);
        QCOMPARE(file.contains("X-IBAN:IT60X0542811101000000123456\r\n"), ticked);
        QCOMPARE(file.contains("AX1234567"), ticked);
        QVERIFY(!file.contains("4111111111111111"));
    }
};

QTEST_MAIN(TestExchangeScreen)
#include "tst_exchangescreen.moc"
