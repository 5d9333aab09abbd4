// Faults from outside, injected for real on the running screens: a full
// disk, a program folder that cannot be written or has gone, and archives
// whose bytes are hostile. One table per fault.
#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "appointments/appointmentexports.h"
#include "appointments/appointmentsearch.h"
#include "contacts/contactcard.h"
#include "contacts/contactsearch.h"
#include "documents/documentrules.h"
#include "shell/application.h"
#include "shell/passwordchange.h"
#include "shell/passwordgate.h"
#include "storage/passwordstore.h"
#include "storage/programfolder.h"
#include "storage/safefiles.h"
#include "storage/spreadsheet.h"
#include "support/programfixture.h"
#include "ui/exportscreen.h"
#include "ui/listscreen.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

const QString Access = AccessFailure::message();
const QString ExportFailed = spreadsheet::exportFailureMessage();
const QString PasswordFailed
    = u"Attenzione: si è verificato un errore durante la procedura di modifica della password. "
      u"Si consiglia di reinstallare il software."_s;
const QString OldPasswordWrong = u"Attenzione: vecchia password errata."_s;
const QString PdfFailed = u"Attenzione: il sistema non permette di creare il file PDF."_s;
const QString Inserted = u"La scheda corrente è stata inserita in archivio."_s;
const QString Rewritten = u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s;
const QString ExportAsked = u"L'esportazione dei dati in Excel può richiedere diversi minuti a seconda del numero di "
                            u"schede presenti in archivio.\r\n\r\nSi vuole esportare i dati adesso?"_s;
const QString Exported
    = u"Le schede in archivio sono state esportate con successo.\r\n\r\nSi vuole aprire il file di Excel?"_s;
const QString PasswordChanged = u"Modifica della password completata con successo."_s;
const QString PdfWritten
    = u"L'esportazione della scheda in PDF è terminata con successo.\r\n\r\nSi vuole aprire il file?"_s;

// Every file of a folder with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readFile(QDir(folder).filePath(name)));
    return files;
}

ContactRecord contact(const QString& name, bool callBack)
{
    ContactRecord r;
    r.setText(ContactField::fullName, name);
    r.setText(ContactField::preferredPhone, u"06 1234567"_s);
    r.setFlag(ContactField::toRecontact, callBack);
    return r;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    AppointmentCard* card() const { return program->card(); }
    ContactCard* contacts() const { return program->screens->contacts(); }
    QString folder() const { return program->folder.path(); }
    QString contactsPath() const { return programFolder::file(programFolder::Contacts); }

    // Three appointments (the first two due on the fixture's day), three
    // contacts (the first to call back), the password QUIRVALE, and the
    // files of earlier exports and of an earlier PDF.
    void world()
    {
        using testsupport::appointment;
        program->addAppointment(appointment(u"05/03/2024"_s, u"09"_s, u"30"_s, u"0"_s, u"Firma"_s, u"Rossi"_s));
        program->addAppointment(appointment(u"12/03/2024"_s, u"10"_s, u"00"_s, u"5"_s, u"Consegna"_s, u"Bianchi"_s));
        program->addAppointment(appointment(u"01/06/2024"_s, u"11"_s, u"00"_s, u"0"_s, u"Visita"_s, u"Verdi"_s));
        for (const ContactRecord& r :
            { contact(u"Rossi Mario"_s, true), contact(u"Bianchi Anna"_s, false), contact(u"Verdi Carla"_s, false) })
            archive::append(contactsPath(), ContactRecord::Size, r.data());
        writeFile(password::storePath(), "[Accesso]\nValore=" + password::scramble(u"QUIRVALE"_s).toLatin1() + "\n");
        writeFile(program->folder.file(u"Riepilogo_Appuntamenti.xls"_s), "old export");
        writeFile(program->folder.file(u"Contatti.xls"_s), "old export");
        writeFile(program->folder.file(u"Contatto.pdf"_s), "old pdf");
    }

    static QStringList shownIn(QWidget* screen, const std::initializer_list<const char*>& names)
    {
        QStringList shown;
        for (const char* name : names)
            shown << ui::controlText(control(screen, QString::fromLatin1(name)));
        return shown;
    }
    static QStringList gridRows(QWidget* screen)
    {
        const auto* grid = control<QTableView>(screen, u"grdRecords"_s);
        QStringList rows;
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                cells << grid->model()->index(r, c).data().toString();
            rows << cells.join(u'|');
        }
        return rows;
    }
    QStringList exportArchive(const ui::ExportDefinition& definition)
    {
        ui::ExportScreen screen(definition, nullptr);
        screen.show();
        QCoreApplication::processEvents(); // a failed reading is told once the screen is up
        const QStringList rows = gridRows(&screen);
        if (screen.isVisible())
            control<QToolButton>(&screen, u"cmdEsporta"_s)->click();
        return rows;
    }
    QStringList searchAll(QDialog* search)
    {
        search->show();
        control<QPushButton>(search, u"btnCerca"_s)->click();
        const QStringList lines = testsupport::listedLines(search);
        search->close();
        return lines;
    }

    // What is on the screen before the fault: the record a rewrite or the
    // PDF starts from.
    void prepare(const QString& action)
    {
        if (action == u"appuntamento riscritto"_s) {
            card()->open();
            control<QToolButton>(card(), u"cmdUltimo"_s)->click();
        } else if (action == u"contatto riscritto"_s || action == u"PDF del contatto"_s) {
            contacts()->open();
            control<QToolButton>(contacts(), u"cmdUltimo"_s)->click();
        }
    }

    // What the user does, by name; each gives back what the screen shows.
    QStringList act(const QString& action)
    {
        if (action == u"nuovo appuntamento"_s) {
            card()->open();
            card()->card().newCard();
            control<QLineEdit>(card(), u"txtData"_s)->setText(u"20/03/2024"_s);
            control<QLineEdit>(card(), u"txtTipologia"_s)->setText(u"Riunione"_s);
            control<QLineEdit>(card(), u"txtCausale"_s)->setText(u"Nuova"_s);
            control<QLineEdit>(card(), u"txtContatto"_s)->setText(u"Neri"_s);
            control<QToolButton>(card(), u"cmdSalva"_s)->click();
            return shownIn(card(), { "lblPosizione" });
        }
        if (action == u"appuntamento riscritto"_s) {
            control<QLineEdit>(card(), u"txtCausale"_s)->setText(u"Visita rinviata"_s);
            control<QToolButton>(card(), u"cmdSalva"_s)->click();
            return shownIn(card(), { "lblPosizione", "txtCausale" });
        }
        if (action == u"schede appuntamenti"_s) {
            card()->open();
            control<QToolButton>(card(), u"cmdUltimo"_s)->click();
            control<QToolButton>(card(), u"cmdIndietro"_s)->click();
            return shownIn(card(), { "lblPosizione", "txtCausale", "txtContatto" });
        }
        if (action == u"agenda"_s) {
            program->agenda()->open();
            return testsupport::listedLines(program->agenda());
        }
        if (action == u"ricerca appuntamenti"_s) {
            card()->open();
            AppointmentSearch search([](const AppointmentRecord&, qint64) {}, card());
            return searchAll(&search);
        }
        if (action == u"esportazione appuntamenti"_s)
            return exportArchive(appointments::archiveExport());
        if (action == u"nuovo contatto"_s) {
            contacts()->open();
            contacts()->card().newCard();
            control<QLineEdit>(contacts(), u"txtCliente"_s)->setText(u"Verdi Luca"_s);
            control<QToolButton>(contacts(), u"cmdSalva"_s)->click();
            return shownIn(contacts(), { "lblPosizione" });
        }
        if (action == u"contatto riscritto"_s) {
            control<QLineEdit>(contacts(), u"txtCliente"_s)->setText(u"Verdi Carla Maria"_s);
            control<QToolButton>(contacts(), u"cmdSalva"_s)->click();
            return shownIn(contacts(), { "lblPosizione", "txtCliente" });
        }
        if (action == u"ricerca contatti"_s) {
            contacts()->open();
            ContactSearch search([](const ContactRecord&, qint64) {}, contacts());
            return searchAll(&search);
        }
        if (action == u"da ricontattare"_s) {
            contacts()->open();
            QStringList lines;
            testsupport::whenModal([&lines](QWidget* list) {
                lines = testsupport::listedLines(list);
                list->close();
            });
            control<QToolButton>(contacts(), u"cmdRicontatta"_s)->click();
            return lines;
        }
        if (action == u"esportazione contatti"_s)
            return exportArchive(ContactCard::exportDefinition());
        if (action == u"PDF del contatto"_s) {
            control<QToolButton>(contacts(), u"cmdPDF"_s)->click();
            return {};
        }
        if (action == u"cambio password"_s) {
            program->gate()->show();
            control<QPushButton>(program->gate(), u"btnCambiaPassword"_s)->click();
            for (const auto& [field, text] : { std::pair { "txtPasswordOld", "quirvale" },
                     { "txtPasswordNew", "segreta" }, { "txtConferma", "segreta" } })
                testsupport::typeText(control<QLineEdit>(program->passwordChange(), QString::fromLatin1(field)),
                    QString::fromLatin1(text));
            control<QPushButton>(program->passwordChange(), u"cmdOK"_s)->click();
            program->passwordChange()->close();
            return {};
        }
        qFatal("no action %s", qPrintable(action));
    }

private slots:
    void init() { program = std::make_unique<testsupport::ProgramFixture>(); }
    void cleanup() { program.reset(); }

    // A full disk: the file-size limit of the process cut just inside what
    // the action writes. The action shows its failure and no success, and
    // every file of the program folder stays as it was, byte for byte, with
    // nothing left beside them; once there is room again the same action
    // goes through, its record exactly where it belongs.
    void fullDisk_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QStringList>("failure");
        QTest::addColumn<QStringList>("success");
        constexpr qint64 A = AppointmentRecord::Size, C = ContactRecord::Size;
        QTest::newRow("appointment appended")
            << u"nuovo appuntamento"_s << 3 * A + 600 << QStringList { Access } << QStringList { Inserted };
        QTest::newRow("appointment rewritten")
            << u"appuntamento riscritto"_s << 2 * A + 600 << QStringList { Access } << QStringList { Rewritten };
        QTest::newRow("appointment rewritten, no room for its note")
            << u"appuntamento riscritto"_s << qint64(600) << QStringList { Access } << QStringList { Rewritten };
        QTest::newRow("contact appended")
            << u"nuovo contatto"_s << 3 * C + 1000 << QStringList { Access } << QStringList { Inserted };
        QTest::newRow("contact rewritten")
            << u"contatto riscritto"_s << 2 * C + 1000 << QStringList { Access } << QStringList { Rewritten };
        QTest::newRow("appointment export")
            << u"esportazione appuntamenti"_s << qint64(2000) << QStringList { ExportAsked, ExportFailed }
            << QStringList { ExportAsked, Exported };
        QTest::newRow("contact export") << u"esportazione contatti"_s << qint64(2000)
                                        << QStringList { ExportAsked, ExportFailed }
                                        << QStringList { ExportAsked, Exported };
        QTest::newRow("contact PDF") << u"PDF del contatto"_s << qint64(2000) << QStringList { PdfFailed }
                                     << QStringList { PdfWritten };
        QTest::newRow("password change") << u"cambio password"_s << qint64(20) << QStringList { PasswordFailed }
                                         << QStringList { PasswordChanged };
    }
    void fullDisk()
    {
        QFETCH(QString, action);
        QFETCH(qint64, limit);
        QFETCH(QStringList, failure);
        QFETCH(QStringList, success);
        world();
        prepare(action);
        program->messages.clear();
        const auto before = snapshot(folder());
        QStringList shown;
        {
            testsupport::FileSizeLimit full(limit);
            shown = act(action);
        }
        QCOMPARE(program->messages.texts(), failure);
        QCOMPARE(snapshot(folder()), before);
        if (action.startsWith(u"nuovo"_s))
            QCOMPARE(shown, QStringList { QString() }); // still a new card

        program->messages.clear();
        const QStringList again = act(action);
        // The card the failed save left changed asks before it is left.
        QCOMPARE(testsupport::withoutSaveQuestion(program->messages.texts()), success);
        if (action == u"nuovo appuntamento"_s)
            QCOMPARE(again, QStringList { u"4"_s });
        if (action == u"nuovo contatto"_s)
            QCOMPARE(again, QStringList { u"4"_s });
        QCOMPARE(QFileInfo(program->appointments()).size() % AppointmentRecord::Size, 0);
        QCOMPARE(QFileInfo(contactsPath()).size() % ContactRecord::Size, 0);
        QVERIFY(ArchiveFile::notes(program->appointments()).isEmpty());
        QVERIFY(ArchiveFile::notes(contactsPath()).isEmpty());
    }

    // The program folder made read-only, or removed, while the program
    // runs. Every action that writes shows its failure and changes nothing;
    // nothing crashes; the reading screens read what is there: everything
    // in a read-only folder, nothing (quietly or with the access failure,
    // as each screen does) when the folder has gone.
    void folderUnwritable_data()
    {
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("reading");
        const QList<std::tuple<const char*, QStringList, QStringList, bool>> actions = {
            // action, messages in a read-only folder, messages when it has gone, reads
            { "nuovo appuntamento", { Access }, { Access }, false },
            { "appuntamento riscritto", { Access }, { Access }, false },
            { "nuovo contatto", { Access }, { Access }, false },
            { "contatto riscritto", { Access }, { Access }, false },
            { "esportazione appuntamenti", { ExportAsked, ExportFailed }, { Access }, false },
            { "esportazione contatti", { ExportAsked, ExportFailed }, { Access }, false },
            { "PDF del contatto", { PdfFailed }, { PdfFailed }, false },
            { "cambio password", { PasswordFailed }, { OldPasswordWrong }, false },
            { "agenda", {}, {}, true },
            { "schede appuntamenti", {}, { Access, Access }, true },
            { "ricerca appuntamenti", {}, { Access }, true },
            { "ricerca contatti", {}, { Access }, true },
            { "da ricontattare", {}, {}, true },
        };
        for (const auto& [action, readOnly, gone, reading] : actions) {
            QTest::addRow("read-only, %s", action) << false << QString::fromUtf8(action) << readOnly << reading;
            QTest::addRow("removed, %s", action) << true << QString::fromUtf8(action) << gone << reading;
        }
    }
    void folderUnwritable()
    {
        QFETCH(bool, removed);
        QFETCH(QString, action);
        QFETCH(QStringList, messages);
        QFETCH(bool, reading);
        world();
        const QStringList normally = reading ? act(action) : QStringList();
        prepare(action);
        program->messages.clear();
        const auto before = snapshot(folder());

        std::unique_ptr<testsupport::ReadOnlyFolder> readOnly;
        if (removed) {
            QVERIFY(QDir(folder()).removeRecursively());
        } else {
            readOnly = std::make_unique<testsupport::ReadOnlyFolder>(folder());
            if (!readOnly->ok())
                QSKIP("this file system cannot make a folder read-only");
        }
        const QStringList shown = act(action);
        readOnly.reset();
        QCOMPARE(program->messages.texts(), messages);
        if (removed) {
            QVERIFY(!QDir(folder()).exists());
            if (reading) {
                const QStringList nothing = action == u"schede appuntamenti"_s
                    ? QStringList { QString(), QString(), QString() }
                    : QStringList();
                QCOMPARE(shown, nothing);
            }
            QVERIFY(QDir().mkpath(folder())); // for the fixture to remove
        } else {
            QCOMPARE(snapshot(folder()), before);
            if (reading)
                QCOMPARE(shown, normally);
        }
    }

    // Archives whose bytes no program wrote: every byte 0xFF (each length
    // byte past its field's capacity, each flag neither "Sì" nor "No"), every
    // byte zero, a partial record at the end. The screens open, list and
    // export them, showing each field cut to its capacity; the agenda lists
    // nothing, the search and the export every whole record; and a card
    // saved afterwards lands on the next whole record.
    void hostileArchives_data()
    {
        QTest::addColumn<char>("fill");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("partial");
        QTest::newRow("every byte 0xFF") << char(0xFF) << 3 << 77;
        QTest::newRow("every byte zero") << char(0) << 3 << 0;
        QTest::newRow("a partial record only") << char(0xFF) << 0 << 1000;
    }
    void hostileArchives()
    {
        QFETCH(char, fill);
        QFETCH(int, records);
        QFETCH(int, partial);
        writeFile(program->appointments(), QByteArray(records * AppointmentRecord::Size + partial, fill));
        writeFile(contactsPath(), QByteArray(records * ContactRecord::Size + partial, fill));
        const auto repeated = [fill](int n) { return fill ? QString(n, QChar(0xFF)) : QString(); };

        QCOMPARE(act(u"agenda"_s), QStringList());
        const QStringList cardShows = act(u"schede appuntamenti"_s);
        if (records > 0) {
            QCOMPARE(cardShows, (QStringList { QString::number(records - 1), repeated(250), repeated(50) }));
        }
        const QString line = u"Data: "_s + (fill ? repeated(10) : QString(10, u' ')) + u"  Ora: "_s
            + (fill ? repeated(5) : QString(5, u' ')) + u"  Causale: "_s + (fill ? repeated(54) : QString(54, u' '))
            + u"  Contatto: "_s + (fill ? repeated(30) : QString(30, u' ')) + u" Cel. "_s + repeated(30);
        QCOMPARE(act(u"ricerca appuntamenti"_s), QStringList(records, line));
        const QStringList exported = act(u"esportazione appuntamenti"_s);
        QCOMPARE(exported.size(), records);
        if (records > 0)
            QCOMPARE(exported.first().split(u'|').at(4), repeated(250)); // purpose
        QCOMPARE(act(u"ricerca contatti"_s).size(), records);
        QCOMPARE(act(u"da ricontattare"_s), QStringList());
        QCOMPARE(act(u"esportazione contatti"_s).size(), records);
        const QString empty = u"L'archivio non contiene nessuna scheda."_s;
        const QStringList expectedMessages = records > 0
            ? QStringList { ExportAsked, Exported, ExportAsked, Exported }
            : QStringList { empty, empty, ExportAsked, Exported, ExportAsked, Exported };
        QCOMPARE(program->messages.texts(), expectedMessages);

        program->messages.clear();
        QCOMPARE(act(u"nuovo appuntamento"_s), QStringList { QString::number(records + 1) });
        QCOMPARE(act(u"nuovo contatto"_s), QStringList { QString::number(records + 1) });
        QCOMPARE(program->messages.texts(), (QStringList { Inserted, Inserted }));
        QCOMPARE(QFileInfo(program->appointments()).size(), (records + 1) * AppointmentRecord::Size);
        QCOMPARE(readFile(program->appointments()).left(records * AppointmentRecord::Size),
            QByteArray(records * AppointmentRecord::Size, fill));
    }

    // Links planted under the names the program writes in its folder, put
    // back by a planter as fast as it can while the action runs: the action
    // succeeds or fails with its message, and the file the links lead to
    // (or would create, for a dangling link) outside the folder is never
    // written.
    void plantedLinks_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dangling");
        QTest::addColumn<QStringList>("allowed");
        const QStringList exportTold = { ExportAsked, Exported }, exportFailed = { ExportAsked, ExportFailed };
        for (const bool dangling : { false, true }) {
            const char* kind = dangling ? "dangling link" : "link";
            QTest::addRow("%s, export", kind)
                << u"esportazione appuntamenti"_s << u"Riepilogo_Appuntamenti.xls"_s << dangling
                << QStringList { exportTold.join(u'|'), exportFailed.join(u'|') };
            QTest::addRow("%s, contact PDF", kind)
                << u"PDF del contatto"_s << u"Contatto.pdf"_s << dangling << QStringList { PdfWritten, PdfFailed };
            QTest::addRow("%s, rewrite note", kind)
                << u"contatto riscritto"_s << u"Contatti.qzv.ripristino"_s << dangling << QStringList { Rewritten };
            QTest::addRow("%s, password store", kind)
                << u"cambio password"_s << u"unins000.dll"_s << dangling
                << QStringList { PasswordChanged, PasswordFailed, OldPasswordWrong,
                       u"Attenzione: si è verificato un errore durante la procedura di lettura della password. "
                       u"Si consiglia di reinstallare il software."_s };
        }
    }
    void plantedLinks()
    {
        QFETCH(QString, action);
        QFETCH(QString, name);
        QFETCH(bool, dangling);
        QFETCH(QStringList, allowed);
        world();
        prepare(action);
        program->messages.clear();
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(u"altrove"_s);
        const QByteArray outsideBytes = "[Accesso]\nValore=" + password::scramble(u"QUIRVALE"_s).toLatin1() + "\n";
        writeFile(outside, outsideBytes);
        const QByteArray target = QFile::encodeName(dangling ? outside + u".nuovo"_s : outside);
        const QByteArray planted = QFile::encodeName(program->folder.file(name));
        std::atomic<bool> stop = false;
        std::atomic<int> plants = 0;
        std::thread planter([&] {
            while (!stop) {
                ::unlink(planted.constData());
                if (::symlink(target.constData(), planted.constData()) == 0)
                    ++plants;
            }
        });
        while (plants == 0)
            QThread::yieldCurrentThread();
        act(action);
        stop = true;
        planter.join();
        QVERIFY2(
            allowed.contains(program->messages.texts().join(u'|')), qPrintable(program->messages.texts().join(u'|')));
        QCOMPARE(readFile(outside), outsideBytes);
        QVERIFY(!QFileInfo::exists(outside + u".nuovo"_s));
    }

    // Things in the folder that are no files, under the names the program
    // reads: the store, the archives, the rewrite note. The action tells its
    // reading failure at once, without waiting on them.
    void noFileInPlace_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<QStringList>("failure");
        for (const bool fifo : { true, false }) {
            const char* kind = fifo ? "FIFO" : "folder";
            QTest::addRow("%s as the contacts archive", kind)
                << u"nuovo contatto"_s << u"Contatti.qzv"_s << fifo << QStringList { Access };
            QTest::addRow("%s as the appointments' rewrite note", kind)
                << u"appuntamento riscritto"_s << u"Archivio_Appuntamenti.qzv.ripristino"_s << fifo
                << QStringList { Access };
            QTest::addRow("%s as the contacts' rewrite note, search", kind)
                << u"ricerca contatti"_s << u"Contatti.qzv.ripristino"_s << fifo << QStringList { Access };
        }
    }
    void noFileInPlace()
    {
        QFETCH(QString, action);
        QFETCH(QString, name);
        QFETCH(bool, fifo);
        QFETCH(QStringList, failure);
        world();
        prepare(action);
        program->messages.clear();
        const QString path = program->folder.file(name);
        QFile::remove(path);
        if (fifo)
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
        else
            QVERIFY(QDir().mkdir(path));
        QElapsedTimer clock;
        clock.start();
        act(action);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(program->messages.texts(), failure);
    }

    // Another workstation holds an archive for longer than the wait: the
    // action says the archive is in use rather than blaming privileges, and
    // goes through once it is free.
    void archiveHeldByAnotherWorkstation_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("failure");
        QTest::addColumn<QStringList>("success");
        const QString busy = AccessFailure::busyMessage();
        QTest::newRow("save") << u"nuovo contatto"_s << QStringList { busy } << QStringList { Inserted };
        QTest::newRow("search") << u"ricerca contatti"_s << QStringList { busy } << QStringList();
        QTest::newRow("export") << u"esportazione contatti"_s << QStringList { busy }
                                << QStringList { ExportAsked, Exported };
    }
    void archiveHeldByAnotherWorkstation()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, failure);
        QFETCH(QStringList, success);
        world();
        program->messages.clear();
        ArchiveFile::setLockTimeoutMs(300);
        const auto restore = qScopeGuard([] { ArchiveFile::setLockTimeoutMs(60000); });
        {
            ArchiveFile other;
            other.open(contactsPath(), ContactRecord::Size, ArchiveFile::Access::Write);
            act(action);
            QCOMPARE(program->messages.texts(), failure);
        }
        program->messages.clear();
        act(action);
        QCOMPARE(testsupport::withoutSaveQuestion(program->messages.texts()), success);
    }

    // At the start, the leftovers of runs that were killed go: the
    // temporary files of this program (an attachment copy, a password
    // change) whose process has gone or that are old. The user's files stay.
    void leftoversCleanedAtTheStart()
    {
        const QString attachments = documents::attachments::folder();
        QVERIFY(QDir().mkpath(attachments));
        const auto goneProcess = [] {
            const pid_t child = ::fork();
            if (child == 0)
                ::_exit(0);
            ::waitpid(child, nullptr, 0);
            return qint64(child);
        };
        const QString mine = QFileInfo(safefiles::temporaryName(folder())).fileName();
        const QString host = mine.section(u'.', 2, 2);
        const QString killedCopy = u".quirvale-tmp.%1.%2.1.0000abcd"_s.arg(host).arg(goneProcess());
        const QString killedChange = u".quirvale-tmp.%1.%2.7.0000abcd"_s.arg(host).arg(goneProcess());
        writeFile(attachments + killedCopy, QByteArray(100000, 'x'));
        writeFile(folder() + u"/"_s + killedChange, "[Accesso]\nValore=00\n");
        const QStringList earlier
            = { u"unins000.dll.4242-1"_s, u"unins000.dll.4242-1.AbCdEf"_s, u"unins000.dll.4242-1.lock"_s };
        for (const QString& name : earlier) {
            writeFile(folder() + u"/"_s + name, "x");
            struct timeval old[2] {};
            old[0].tv_sec = old[1].tv_sec = ::time(nullptr) - 2 * 3600;
            QVERIFY(::utimes(QFile::encodeName(folder() + u"/"_s + name).constData(), old) == 0);
        }
        writeFile(attachments + u"lettera.pdf"_s, "allegato");
        writeFile(attachments + u".quirvale-tmp"_s, "dell'utente");
        world();
        const auto before = snapshot(folder());
        shell::cleanLeftovers();
        auto expected = before;
        for (const QString& name : earlier + QStringList { killedChange })
            QVERIFY(expected.remove(name) == 1);
        QCOMPARE(snapshot(folder()), expected);
        QCOMPARE(QDir(attachments).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList { u".quirvale-tmp"_s, u"lettera.pdf"_s }));
    }

    // The program as started: a file-size limit never ends it (the signal
    // of a write past the limit is ignored, the write fails instead).
    void programIgnoresTheFileSizeSignal()
    {
        QProcess program;
        program.start(QString::fromUtf8(APP_PATH), {});
        QVERIFY(program.waitForStarted(30000));
        const auto end = qScopeGuard([&] {
            program.kill();
            program.waitForFinished(30000);
        });
        const QString status = u"/proc/%1/status"_s.arg(program.processId());
        bool ignored = false;
        QElapsedTimer clock;
        clock.start();
        while (!ignored && clock.elapsed() < 20000) {
            for (const QByteArray& line : readFile(status).split('\n')) {
                if (line.startsWith("SigIgn:"))
                    ignored = (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGXFSZ - 1)) & 1;
            }
            if (!ignored)
                QThread::msleep(20);
        }
        QVERIFY(ignored);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
