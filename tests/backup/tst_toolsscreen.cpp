// The tools screen as a user works it: opened from the main menu, a backup
// into a chosen folder and its cancel, a restore with its question, the
// check with its results and the offer to copy the damaged bytes.
#include "backup/toolsscreen.h"
#include "shell/mainmenu.h"
#include "support/layouts.h"
#include "support/programfixture.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

QPushButton* button(QWidget* screen, const QString& name)
{
    return control<QPushButton>(screen, name);
}

// The file dialogs answered as a user would, for the lifetime of the object.
struct Dialogs {
    QString folder;
    QString file;
    QStringList titles;
    Dialogs()
    {
        ui::fileDialog::setFolderHandler([this](const QString& title) {
            titles << title;
            return folder;
        });
        ui::fileDialog::setHandler([this](const QString& title, const QString&) {
            titles << title;
            return file;
        });
    }
    ~Dialogs()
    {
        ui::fileDialog::setFolderHandler({});
        ui::fileDialog::setHandler({});
    }
};

void fillFolder(const QString& folder, char fill)
{
    writeFile(QDir(folder).filePath(u"Archivio_Appuntamenti.qzv"_s), QByteArray(3 * 1265, '\0'));
    writeFile(QDir(folder).filePath(u"Contatti.qzv"_s), QByteArray(3372, '\0'));
    QDir(folder).mkpath(u"Documenti_Allegati"_s);
    writeFile(QDir(folder).filePath(u"Documenti_Allegati/scansione.pdf"_s), QByteArray(3 << 20, fill));
}

} // namespace

class TestToolsScreen : public QObject {
    Q_OBJECT

private slots:
    void openedFromTheMainMenu()
    {
        testsupport::ProgramFixture program;
        QString opened;
        testsupport::whenModal([&](QWidget* modal) {
            opened = modal->objectName() + u' ' + modal->windowTitle();
            QVERIFY(!control<QPushButton>(modal, u"cmdAnnulla"_s)->isEnabled());
            QCOMPARE(control<QSpinBox>(modal, u"txtConserva"_s)->value(), 10);
            button(modal, u"cmdChiudi"_s)->click();
        });
        control<QToolButton>(program.menu(), u"imgStrumenti"_s)->click();
        QCOMPARE(opened, u"frmStrumenti  Strumenti"_s);
    }

    void backupIntoTheChosenFolder()
    {
        testsupport::ProgramFixture program;
        fillFolder(program.folder.path(), 'a');
        QTemporaryDir usb;
        Dialogs dialogs;
        ToolsScreen screen;
        control<QSpinBox>(&screen, u"txtConserva"_s)->setValue(1);

        dialogs.folder.clear(); // the dialog cancelled: nothing happens
        button(&screen, u"cmdCopia"_s)->click();
        QVERIFY(program.messages.messages().isEmpty());

        dialogs.folder = usb.path();
        button(&screen, u"cmdCopia"_s)->click();
        button(&screen, u"cmdCopia"_s)->click();
        QCOMPARE(dialogs.titles.last(), u"Selezionare la cartella in cui scrivere la copia di sicurezza:"_s);
        QCOMPARE(program.messages.messages().size(), 2);
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Information);
        const QString first = QDir(usb.path()).filePath(u"Quirvale_copia_2024-03-10_09-05-30.zip"_s);
        // (the three files and the folder's identity, made by the first backup)
        QCOMPARE(program.messages.texts()[0], u"Copia di sicurezza completata: %1 (4 file)."_s.arg(first));
        // One kept: the second, made in the same second, took the first's place.
        QCOMPARE(QDir(usb.path()).entryList(QDir::Files), { u"Quirvale_copia_2024-03-10_09-05-30_2.zip"_s });
        QVERIFY(control<QPlainTextEdit>(&screen, u"txtRisultati"_s)
                    ->toPlainText()
                    .endsWith(u"Rimossa la copia meno recente: Quirvale_copia_2024-03-10_09-05-30.zip"_s));
        QCOMPARE(control<QProgressBar>(&screen, u"prbAvanzamento"_s)->value(), 1000);
    }

    // "Annulla" pressed while the backup runs: no backup is left, not even
    // its temporary file.
    void backupCancelled()
    {
        testsupport::ProgramFixture program;
        fillFolder(program.folder.path(), 'a');
        QTemporaryDir usb;
        Dialogs dialogs;
        dialogs.folder = usb.path();
        ToolsScreen screen;
        bool enabledWhileBusy = false;
        QTimer::singleShot(0, &screen, [&] {
            QPushButton* cancel = button(&screen, u"cmdAnnulla"_s);
            enabledWhileBusy = cancel->isEnabled() && !button(&screen, u"cmdChiudi"_s)->isEnabled();
            cancel->click();
        });
        button(&screen, u"cmdCopia"_s)->click();
        QVERIFY(enabledWhileBusy);
        QCOMPARE(program.messages.texts(), { u"Copia di sicurezza annullata."_s });
        QCOMPARE(QDir(usb.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(button(&screen, u"cmdChiudi"_s)->isEnabled());
        QVERIFY(!button(&screen, u"cmdAnnulla"_s)->isEnabled());
    }

    void restoreAsksThenReplaces()
    {
        testsupport::ProgramFixture program;
        fillFolder(program.folder.path(), 'n');
        QTemporaryDir usb;
        Dialogs dialogs;
        dialogs.folder = usb.path();
        ToolsScreen screen;
        button(&screen, u"cmdCopia"_s)->click();
        const QString backupFile = QDir(usb.path()).filePath(u"Quirvale_copia_2024-03-10_09-05-30.zip"_s);
        QVERIFY(QFile::exists(backupFile));
        fillFolder(program.folder.path(), 'o');
        program.messages.clear();

        dialogs.file = backupFile;
        program.messages.queueAnswer(ui::Answer::No);
        button(&screen, u"cmdRipristina"_s)->click();
        QCOMPARE(program.messages.messages().size(), 1);
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Question);
        QCOMPARE(readFile(program.folder.file(u"Documenti_Allegati/scansione.pdf"_s)).at(0), 'o');

        program.messages.clear();
        button(&screen, u"cmdRipristina"_s)->click();
        QCOMPARE(dialogs.titles.last(), u"Selezionare la copia di sicurezza da ripristinare:"_s);
        QCOMPARE(program.messages.texts().last(),
            u"Ripristino completato. I dati precedenti sono nella cartella Prima_del_ripristino_2024-03-10_09-05-30."_s);
        QCOMPARE(readFile(program.folder.file(u"Documenti_Allegati/scansione.pdf"_s)).at(0), 'n');
        QCOMPARE(readFile(program.folder.file(
                              u"Prima_del_ripristino_2024-03-10_09-05-30/Documenti_Allegati/scansione.pdf"_s))
                     .at(0),
            'o');
    }

    void restoreOfADamagedBackupIsRefused()
    {
        testsupport::ProgramFixture program;
        fillFolder(program.folder.path(), 'o');
        QTemporaryDir usb;
        Dialogs dialogs;
        dialogs.file = QDir(usb.path()).filePath(u"Quirvale_copia_2024-03-10_09-05-30.zip"_s);
        writeFile(dialogs.file, "PK\x03\x04 not a backup");
        ToolsScreen screen;
        button(&screen, u"cmdRipristina"_s)->click();
        QCOMPARE(program.messages.messages().size(), 2);
        QCOMPARE(program.messages.messages()[1].kind, ui::MessageKind::Warning);
        QVERIFY(program.messages.texts()[1].startsWith(u"Ripristino rifiutato: "_s));
        QCOMPARE(QDir(program.folder.path()).entryList({ u"Prima_del_ripristino*"_s }, QDir::Dirs), QStringList());
    }

    void checkShowsTheDamageAndCopiesItsBytes()
    {
        testsupport::ProgramFixture program;
        const AppointmentRecord visit
            = testsupport::appointment(u"05/03/2024"_s, u"09"_s, u"30"_s, u"0"_s, u"Visita"_s, u"Rossi"_s);
        QByteArray bytes = QByteArray(visit.data(), 1265).repeated(2);
        bytes[1265 + testsupport::appointmentBytes::Amount] = char(16);
        writeFile(program.appointments(), bytes);
        ToolsScreen screen;
        button(&screen, u"cmdVerifica"_s)->click();
        QCOMPARE(control<QPlainTextEdit>(&screen, u"txtRisultati"_s)->toPlainText(),
            u"Archivio_Appuntamenti.qzv: 2 record.\n"
            u"Archivio_Appuntamenti.qzv: record 2 illeggibile: campo 14 (lunghezza 16).\n"
            u"Contatti.qzv: archivio assente.\nArchivio_Documenti.qzv: archivio assente."_s);
        QCOMPARE(program.messages.messages().size(), 2);
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Question);
        const QString out = program.folder.file(u"Record_danneggiati.bin"_s);
        QCOMPARE(program.messages.texts()[1], u"Byte dei record danneggiati copiati nel file %1."_s.arg(out));
        QCOMPARE(readFile(out), "Archivio_Appuntamenti.qzv record 2 offset 1265 bytes 1265\n" + bytes.mid(1265) + '\n');
    }
};

QTEST_MAIN(TestToolsScreen)
#include "tst_toolsscreen.moc"
