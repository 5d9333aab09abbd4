// Attached files: the copy into the attachments folder, opening a slot's
// file, and the attach screen from the document card and the contact card.
#include "contacts/contactcard.h"
#include "documents/documentcard.h"
#include "documents/documentrules.h"
#include "documents/documentsupport.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "support/programfixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;

namespace {
const QString Overwrite = u"Attenzione: nella cartella dei documenti allegati è presente un file con lo stesso nome."
                          u"\r\n\r\nSi vuole sovrascrivere il file esistente?"_s;
const QString CopyFailed
    = u"Attenzione: non è stato possibile copiare il file nella cartella dei documenti allegati."_s;
const QString Missing = u"Attenzione: il file allegato non è presente nella cartella dei documenti allegati."_s;

enum class Before { Nothing, SameName, ChosenThere, ReadOnlyFolder, SourceGone };
} // namespace

class TestAttachments : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    QTemporaryDir elsewhere; // where the user's files are
    QString chosen;          // what the file dialog answers
    QStringList dialogs;     // title and filter of each dialog shown

    DocumentCard* card() const { return program->screens->documents(); }
    QLineEdit* copySlot() const { return control<QLineEdit>(card(), u"txtCopia"_s); }
    QString folder() const { return documents::attachments::folder(); }
    QString userFile(const QString& name, const QByteArray& content)
    {
        const QString path = QDir(elsewhere.path()).filePath(name);
        testsupport::writeFile(path, content);
        return path;
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>();
        chosen.clear();
        dialogs.clear();
        ui::fileDialog::setHandler([this](const QString& title, const QString& filter) {
            dialogs << title << filter;
            return chosen;
        });
        card()->open();
    }
    void cleanup()
    {
        ui::fileDialog::setHandler({});
        program.reset();
    }

    void copyIn_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QByteArray>("inFolder");
        const QByteArray chosenContent = "nuovo contenuto";
        const int none = -1;
        QTest::newRow("new") << u"lettera.pdf"_s << int(Before::Nothing) << none << QStringList() << u"lettera.pdf"_s
                             << chosenContent;
        QTest::newRow("same name, keep the old file")
            << u"lettera.pdf"_s << int(Before::SameName) << int(ui::Answer::No) << QStringList { Overwrite }
            << u"lettera.pdf"_s << QByteArray("vecchio contenuto");
        QTest::newRow("same name, replace it") << u"lettera.pdf"_s << int(Before::SameName) << int(ui::Answer::Yes)
                                               << QStringList { Overwrite } << u"lettera.pdf"_s << chosenContent;
        QTest::newRow("the folder's own file stays intact")
            << u"lettera.pdf"_s << int(Before::ChosenThere) << none << QStringList() << u"lettera.pdf"_s
            << QByteArray("vecchio contenuto");
        QTest::newRow("source gone") << u"lettera.pdf"_s << int(Before::SourceGone) << none
                                     << QStringList { CopyFailed } << u"prima.pdf"_s << QByteArray();
        QTest::newRow("read-only folder") << u"lettera.pdf"_s << int(Before::ReadOnlyFolder) << none
                                          << QStringList { CopyFailed } << u"prima.pdf"_s << QByteArray();
        const QString longName = QString(251, u'a') + u".pdf"_s; // 255 bytes, the most a file name has here
        QTest::newRow("long name cut before the extension") << longName << int(Before::Nothing) << none << QStringList()
                                                            << QString(246, u'a') + u".pdf"_s << chosenContent;
        QTest::newRow("letters outside the code page") << u"Łódź ☃ «più».pdf"_s << int(Before::Nothing) << none
                                                       << QStringList() << u"_ód_ _ «più».pdf"_s << chosenContent;
    }
    void copyIn()
    {
        QFETCH(QString, fileName);
        QFETCH(int, before);
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        QFETCH(QString, slot);
        QFETCH(QByteArray, inFolder);
        copySlot()->setText(u"prima.pdf"_s);
        chosen = userFile(fileName, "nuovo contenuto");
        std::unique_ptr<testsupport::ReadOnlyFolder> readOnly;
        switch (Before(before)) {
        case Before::SameName:
            QDir().mkpath(folder());
            testsupport::writeFile(folder() + fileName, "vecchio contenuto");
            break;
        case Before::ChosenThere:
            QDir().mkpath(folder());
            chosen = folder() + fileName;
            testsupport::writeFile(chosen, "vecchio contenuto");
            break;
        case Before::SourceGone:
            QFile::remove(chosen);
            break;
        case Before::ReadOnlyFolder:
            QDir().mkpath(folder());
            readOnly = std::make_unique<testsupport::ReadOnlyFolder>(folder());
            if (!readOnly->ok())
                QSKIP("this file system cannot make a folder read-only");
            break;
        case Before::Nothing:
            break;
        }
        if (answer >= 0)
            program->messages.queueAnswer(ui::Answer(answer));

        control<QPushButton>(card(), u"btnSfoglia"_s)->click();
        QCOMPARE(dialogs, (QStringList { u"Selezionare il file da allegare:"_s, u"Tutti i file (*)"_s }));
        QCOMPARE(program->messages.texts(), messages);
        if (!messages.isEmpty() && messages.last() == CopyFailed)
            QCOMPARE(program->messages.messages().last().kind, ui::MessageKind::Warning);
        QCOMPARE(copySlot()->text(), slot);
        readOnly.reset();
        const QStringList names = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
        if (inFolder.isEmpty()) {
            QVERIFY2(!names.contains(slot), qPrintable(names.join(u", "_s)));
            return;
        }
        QCOMPARE(testsupport::readFile(folder() + slot), inFolder);
        QCOMPARE(names, QStringList { slot }); // no temporary file left behind
        // The slot's file opens, whatever its name was.
        control<QPushButton>(card(), u"btnApri"_s)->click();
        QCOMPARE(program->shellOpens.opened, QStringList { u"\""_s + folder() + slot + u"\""_s });
    }

    // Two cards attaching files of one name: another card's document is
    // never replaced nor shared, the new copy takes a free name; the
    // question stays for a file that no other record names.
    void twoCardsAttachingFilesOfOneName_data()
    {
        QTest::addColumn<bool>("another"); // the folder's file is named by another card, or by this one
        QTest::newRow("another card's file") << true;
        QTest::newRow("this card's own file") << false;
    }
    void twoCardsAttachingFilesOfOneName()
    {
        QFETCH(bool, another);
        QDir().mkpath(folder());
        testsupport::writeFile(folder() + u"scansione.txt"_s, "del primo");
        if (another) {
            ContactRecord contact;
            contact.setText(ContactField::fullName, u"Rossi Mario"_s);
            contact.setText(ContactField::attachedFile2, u"scansione.txt"_s);
            archive::append(programFolder::file(programFolder::Contacts), ContactRecord::Size, contact.data());
        } else {
            DocumentRecord document;
            document.setText(DocumentField::documentName, u"Lettera"_s);
            document.setText(DocumentField::digitalCopyFile, u"scansione.txt"_s);
            archive::append(programFolder::file(programFolder::Documents), DocumentRecord::Size, document.data());
            card()->card().showRecordAt(1);
            program->messages.queueAnswer(ui::Answer::Yes);
        }
        chosen = userFile(u"scansione.txt"_s, "del secondo");
        control<QPushButton>(card(), u"btnSfoglia"_s)->click();
        if (another) {
            QCOMPARE(program->messages.texts(),
                QStringList { u"Un'altra scheda ha già un file allegato di nome \"scansione.txt\": il file scelto è "
                              u"stato copiato come \"scansione (2).txt\", e l'altro resta com'era."_s });
            QCOMPARE(copySlot()->text(), u"scansione (2).txt"_s);
            QCOMPARE(testsupport::readFile(folder() + u"scansione.txt"_s), QByteArray("del primo"));
            QCOMPARE(testsupport::readFile(folder() + u"scansione (2).txt"_s), QByteArray("del secondo"));
        } else {
            QCOMPARE(program->messages.texts(), QStringList { Overwrite });
            QCOMPARE(copySlot()->text(), u"scansione.txt"_s);
            QCOMPARE(testsupport::readFile(folder() + u"scansione.txt"_s), QByteArray("del secondo"));
        }
    }

    // A copy made for a card stays in the folder only while a record names
    // it: the card left without saving takes it away, a save keeps it, and a
    // copy replaced by another before the save goes.
    void copiesOfACardLeftUnsaved_data()
    {
        QTest::addColumn<bool>("contacts");
        QTest::addColumn<QString>("then"); // "No": left without saving; "save"; "another, save"
        QTest::addColumn<QStringList>("left");
        for (const bool contacts : { false, true }) {
            const QByteArray card = contacts ? "contact card, " : "document card, ";
            QTest::newRow(QByteArray(card + "given up").constData()) << contacts << u"No"_s << QStringList {};
            QTest::newRow(QByteArray(card + "saved").constData())
                << contacts << u"save"_s << QStringList { u"verbale.pdf"_s };
            QTest::newRow(QByteArray(card + "another chosen, saved").constData())
                << contacts << u"another, save"_s << QStringList { u"verbale bis.pdf"_s };
        }
    }
    void copiesOfACardLeftUnsaved()
    {
        QFETCH(bool, contacts);
        QFETCH(QString, then);
        QFETCH(QStringList, left);
        ContactCard* contactCard = program->screens->contacts();
        ui::AreaScreen* screen = contacts ? static_cast<ui::AreaScreen*>(contactCard) : card();
        screen->open();
        const auto attach = [&](const QString& name) {
            chosen = userFile(name, name.toUtf8());
            if (!contacts) {
                control<QPushButton>(card(), u"btnSfoglia"_s)->click();
                return;
            }
            testsupport::ModalAnswers answer([](QWidget* dialog) {
                control<QPushButton>(dialog, u"btnSfoglia01"_s)->click();
                control<QPushButton>(dialog, u"btnApplica"_s)->click();
            });
            control<QToolButton>(contactCard, u"cmdFile"_s)->click();
        };
        if (contacts)
            testsupport::typeText(control<QLineEdit>(contactCard, u"txtCliente"_s), u"Rossi Mario"_s);
        else {
            testsupport::typeText(control<QLineEdit>(card(), u"txtDocumento"_s), u"Verbale"_s);
            testsupport::typeText(control<QLineEdit>(card(), u"txtProduttore"_s), u"Comune"_s);
            control<QLineEdit>(card(), u"txtDataPro"_s)->setText(u"10/12/2026"_s);
        }
        attach(u"verbale.pdf"_s);
        QVERIFY(QFile::exists(folder() + u"verbale.pdf"_s));
        if (then.startsWith(u"another"_s))
            attach(u"verbale bis.pdf"_s);
        if (then.endsWith(u"save"_s)) {
            control<QToolButton>(screen, u"cmdSalva"_s)->click();
        } else {
            program->messages.queueAnswer(ui::Answer::No);
            control<QToolButton>(screen, u"cmdNuovo"_s)->click();
            QCOMPARE(program->messages.texts().last(), u"Salvare le modifiche alla scheda?"_s);
        }
        QCOMPARE(QDir(folder()).entryList(QDir::Files), left);
    }

    void cancelledDialogChangesNothing()
    {
        copySlot()->setText(u"prima.pdf"_s);
        control<QPushButton>(card(), u"btnSfoglia"_s)->click();
        QCOMPARE(dialogs.size(), 2);
        QCOMPARE(copySlot()->text(), u"prima.pdf"_s);
        QVERIFY(!QFileInfo::exists(folder()));
        QVERIFY(program->messages.messages().isEmpty());
    }

    void openStaysInTheFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("a file of the folder") << u"verbale.pdf"_s << true << QStringList();
        QTest::newRow("blanks around the name") << u"  verbale.pdf "_s << true << QStringList();
        QTest::newRow("up and out") << u"../segreto.txt"_s << false << QStringList();
        QTest::newRow("a subfolder") << u"sotto/verbale.pdf"_s << false << QStringList();
        QTest::newRow("a backslash") << u"sotto\\verbale.pdf"_s << false << QStringList();
        QTest::newRow("an absolute path") << u"/etc/hostname"_s << false << QStringList();
        QTest::newRow("a drive") << u"C:segreto.txt"_s << false << QStringList();
        QTest::newRow("a link leading out") << u"collegamento.txt"_s << false << QStringList();
        QTest::newRow("missing") << u"assente.pdf"_s << false << QStringList { Missing };
    }
    void openStaysInTheFolder()
    {
        QFETCH(QString, name);
        QFETCH(bool, opened);
        QFETCH(QStringList, messages);
        QDir().mkpath(folder() + u"sotto"_s);
        testsupport::writeFile(folder() + u"verbale.pdf"_s, "pdf");
        testsupport::writeFile(folder() + u"sotto/verbale.pdf"_s, "pdf");
        testsupport::writeFile(program->folder.file(u"segreto.txt"_s), "segreto");
        QFile::link(program->folder.file(u"segreto.txt"_s), folder() + u"collegamento.txt"_s);
        copySlot()->setText(name);
        control<QPushButton>(card(), u"btnApri"_s)->click();
        QCOMPARE(program->shellOpens.opened,
            opened ? QStringList { u"\""_s + folder() + u"verbale.pdf\""_s } : QStringList());
        QCOMPARE(program->messages.texts(), messages);
    }

    void openFollowsTheName()
    {
        auto* open = control<QPushButton>(card(), u"btnApri"_s);
        QVERIFY(!open->isEnabled());
        DocumentRecord r = testsupport::document(u"Verbale"_s, u"Rossi"_s, u"01/02/2024"_s);
        r.setText(DocumentField::digitalCopyFile, u"verbale.pdf"_s);
        testsupport::addDocument(r);
        control<QToolButton>(card(), u"cmdUltimo"_s)->click();
        QVERIFY(open->isEnabled());
        copySlot()->setText(u"   "_s);
        QVERIFY(!open->isEnabled());
        copySlot()->setText(u"verbale.pdf"_s);
        // Forgetting the name leaves the file where it is.
        QDir().mkpath(folder());
        testsupport::writeFile(folder() + u"verbale.pdf"_s, "pdf");
        control<QToolButton>(card(), u"btnCancella"_s)->click();
        QCOMPARE(copySlot()->text(), QString());
        QVERIFY(!open->isEnabled());
        QVERIFY(QFileInfo::exists(folder() + u"verbale.pdf"_s));
        control<QToolButton>(card(), u"cmdNuovo"_s)->click();
        QVERIFY(!open->isEnabled());
    }

    void attachScreenFromBothCards_data()
    {
        QTest::addColumn<bool>("contacts");
        QTest::addColumn<bool>("apply");
        QTest::newRow("document card, apply") << false << true;
        QTest::newRow("document card, cancel") << false << false;
        QTest::newRow("contact card, apply") << true << true;
        QTest::newRow("contact card, cancel") << true << false;
    }
    void attachScreenFromBothCards()
    {
        QFETCH(bool, contacts);
        QFETCH(bool, apply);
        ui::AreaScreen* screen = contacts ? static_cast<ui::AreaScreen*>(program->screens->contacts()) : card();
        ui::CardPatternBase& pattern = contacts
            ? static_cast<ui::CardPatternBase&>(program->screens->contacts()->card())
            : static_cast<ui::CardPatternBase&>(card()->card());
        screen->open();
        const ui::Attachments before { { u"uno.pdf"_s, u"due.pdf"_s, QString() },
            { u"Primo"_s, QString(), QString() } };
        pattern.setAttachments(before);
        chosen = userFile(u"terzo.odt"_s, "terzo");
        QStringList shown;
        bool openEnabled = false;
        testsupport::ModalAnswers attach([&](QWidget* dialog) {
            shown << dialog->objectName() << dialog->windowTitle();
            for (const char* name : { "txtFile01", "txtDesc01", "txtFile02", "txtDesc02", "txtFile03", "txtDesc03" })
                shown << control<QLineEdit>(dialog, QString::fromLatin1(name))->text();
            control<QToolButton>(dialog, u"imgCancella01"_s)->click();
            control<QLineEdit>(dialog, u"txtDesc02"_s)->setText(u"  Secondo  "_s);
            control<QPushButton>(dialog, u"btnSfoglia03"_s)->click();
            openEnabled = control<QPushButton>(dialog, u"btnApri03"_s)->isEnabled();
            control<QPushButton>(dialog, u"btnApri03"_s)->click();
            control<QPushButton>(dialog, apply ? u"btnApplica"_s : u"btnAnnulla"_s)->click();
        });
        control<QToolButton>(screen, u"cmdFile"_s)->click();
        QCOMPARE(attach.count(), 1);
        QCOMPARE(shown,
            (QStringList { u"frmAllegaCartella"_s, u" Allega file"_s, u"uno.pdf"_s, u"Primo"_s, u"due.pdf"_s, QString(),
                QString(), QString() }));
        QVERIFY(openEnabled);
        QCOMPARE(program->shellOpens.opened, QStringList { u"\""_s + folder() + u"terzo.odt\""_s });
        const ui::Attachments after = pattern.attachments();
        if (apply) {
            QCOMPARE(after.files, (std::array<QString, 3> { QString(), u"due.pdf"_s, u"terzo.odt"_s }));
            QCOMPARE(after.descriptions, (std::array<QString, 3> { u"Primo"_s, u"Secondo"_s, QString() }));
        } else {
            QCOMPARE(after.files, before.files);
            QCOMPARE(after.descriptions, before.descriptions);
        }
        QCOMPARE(testsupport::readFile(folder() + u"terzo.odt"_s), QByteArray("terzo")); // copies stay
        for (const char* holder : { "lblFile03", "lblDesc02" })                          // the holders stay hidden
            QVERIFY(!control<QLabel>(screen, QString::fromLatin1(holder))->isVisible());
    }
};

QTEST_MAIN(TestAttachments)
#include "tst_attachments.moc"
