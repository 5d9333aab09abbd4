#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "documents/documentcard.h"
#include "shell/help.h"
#include "shell/mainmenu.h"
#include "shell/passwordgate.h"
#include "shell/screens.h"
#include "storage/passwordstore.h"
#include "storage/programfolder.h"
#include "summaries/summariesmenu.h"
#include "support/programfixture.h"
#include "ui/widgets.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class TestShell : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    QList<QWidget*> areaScreens() const
    {
        const auto* s = program->screens.get();
        return { s->gate(), s->menu(), s->agenda(), s->appointmentCard(), s->contacts(), s->summaries(),
            s->documents() };
    }
    QList<QWidget*> visibleAreas() const
    {
        QList<QWidget*> visible;
        for (QWidget* w : areaScreens()) {
            if (w->isVisible())
                visible << w;
        }
        return visible;
    }

    void enter()
    {
        testsupport::writeFile(password::storePath(), "[Accesso]\nValore=434CFACC53A491EB\n");
        auto* field = program->gate()->findChild<QLineEdit*>(u"txtPassword"_s);
        testsupport::typeText(field, u"quirvale"_s);
        QTest::keyClick(field, Qt::Key_Return);
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>();
        program->gate()->show();
    }
    void cleanup() { program.reset(); }

    void onlyTheMenuAfterThePassword()
    {
        QCOMPARE(visibleAreas(), QList<QWidget*> { program->gate() });
        enter();
        QCOMPARE(visibleAreas(), QList<QWidget*> { program->menu() });
    }

    void areasOpenAndComeBack_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("caption");
        QTest::newRow("contacts picture") << u"imgApp01"_s << u" Quirvale 5.0 - Anagrafica contatti"_s;
        QTest::newRow("contacts button") << u"btnApp01"_s << u" Quirvale 5.0 - Anagrafica contatti"_s;
        QTest::newRow("agenda") << u"imgApp02"_s << u" Quirvale 5.0 - Agenda impegni"_s;
        QTest::newRow("agenda button") << u"btnApp02"_s << u" Quirvale 5.0 - Agenda impegni"_s;
        QTest::newRow("summaries") << u"imgApp03"_s << u" Quirvale 5.0 - Riepiloghi appuntamenti"_s;
        QTest::newRow("summaries button") << u"btnApp03"_s << u" Quirvale 5.0 - Riepiloghi appuntamenti"_s;
        QTest::newRow("documents") << u"imgApp04"_s << u" Quirvale 5.0 - Archivio Documenti"_s;
        QTest::newRow("documents button") << u"btnApp04"_s << u" Quirvale 5.0 - Archivio Documenti"_s;
    }
    void areasOpenAndComeBack()
    {
        QFETCH(QString, command);
        QFETCH(QString, caption);
        enter();
        program->menu()->findChild<QToolButton*>(command)->click();
        const auto visible = visibleAreas();
        QCOMPARE(visible.size(), 1);
        QCOMPARE(visible.first()->windowTitle(), caption);
        visible.first()->close();
        QCOMPARE(visibleAreas(), QList<QWidget*> { program->menu() });
        QCOMPARE(program->runs.ends, 0);
    }

    void cardFromTheAgendaReturnsToTheMenu()
    {
        enter();
        program->menu()->findChild<QToolButton*>(u"btnApp02"_s)->click();
        program->agenda()->findChild<QToolButton*>(u"btnArchivio"_s)->click();
        QCOMPARE(visibleAreas(), QList<QWidget*> { program->card() });
        program->card()->close();
        QCOMPARE(visibleAreas(), QList<QWidget*> { program->menu() });
    }

    void menuEndsTheRun()
    {
        enter();
        program->menu()->findChild<QToolButton*>(u"imgEsci"_s)->click();
        QCOMPARE(program->runs.ends, 1);
        program->menu()->close();
        QCOMPARE(program->runs.ends, 2);
    }

    void informationStartsFreshEachTime()
    {
        enter();
        for (int opening = 0; opening < 2; ++opening) {
            QString colourAtOpening;
            testsupport::whenModal([&](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), u" Informazioni su Quirvale 5.0"_s);
                auto* link = dialog->findChild<ui::LinkLabel*>(u"lnkWeb"_s);
                colourAtOpening = link->styleSheet();
                QTest::mouseClick(link, Qt::LeftButton);
                dialog->findChild<QPushButton*>(u"btnChiudi"_s)->click();
            });
            program->menu()->findChild<QToolButton*>(u"imgInfo"_s)->click();
            QCOMPARE(colourAtOpening, QString());
        }
        const QString mail = u"\"mailto:assistenza@quirvale.example?subject=Software Quirvale 5.0&body=Salve, "
                             u"desidererei avere le seguenti informazioni sul software in oggetto:\""_s;
        QCOMPARE(program->shellOpens.opened, (QStringList { mail, mail }));
    }

    void productScreenAndSite()
    {
        enter();
        testsupport::whenModal([](QWidget* dialog) {
            QTest::mouseClick(dialog->findChild<ui::LinkLabel*>(u"imgWeb"_s), Qt::LeftButton);
            dialog->close();
        });
        program->menu()->findChild<QToolButton*>(u"imgCopyright"_s)->click();
        program->menu()->findChild<QToolButton*>(u"icoSito"_s)->click();
        QCOMPARE(program->shellOpens.opened, (QStringList { MainMenu::WebSite, MainMenu::WebSite }));
    }

    void helpTopics()
    {
        const QStringList titles = { u"Uno sguardo ad Quirvale 5.0."_s, u"Applicazione Agenda impegni."_s,
            u"Applicazione Archivio appuntamenti."_s, u"Applicazione Anagrafica contatti."_s,
            u"Applicazione Archivio Documenti."_s, u"Applicazione Riepiloghi appuntamenti."_s,
            u"Esportazione archivio appuntamenti in Microsoft Excel."_s, u"Visualizzazione appuntamenti."_s,
            u"Esportazione archivio contatti in Microsoft Excel."_s,
            u"Esportazione archivio documenti in Microsoft Excel."_s, u"Scambio con calendari e rubriche."_s,
            u"Sincronizzazione con il server di calendario."_s,
            u"Strumenti: copie di sicurezza e verifica degli archivi."_s, u"Promemoria sul desktop."_s,
            u"Tasti della tastiera."_s };
        QStringList found;
        for (const auto& topic : shell::help::topics()) {
            found << topic.title;
            QVERIFY2(topic.text.contains(u"\r\n\r\n"_s), qPrintable(topic.title)); // several paragraphs
            QVERIFY(!topic.text.contains(u"\n\n"_s));
        }
        QCOMPARE(found, titles);
    }

    // A card's help tells where things are; it has to agree with the card.
    void cardHelpSaysWhereThingsAre_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("atTheBottom");
        QTest::addColumn<QString>("said");
        for (const QString& topic :
            { u"Applicazione Archivio appuntamenti."_s, u"Applicazione Archivio Documenti."_s }) {
            const QByteArray card = topic.section(u' ', 2).chopped(1).toUtf8();
            QTest::newRow(QByteArray(card + " card number").constData())
                << topic << u"lblPosizione"_s << true << u"il cui numero compare nella barra in basso, fra le frecce"_s;
            QTest::newRow(QByteArray(card + " arrows").constData())
                << topic << u"cmdUltimo"_s << true << u"le frecce di scorrimento nella barra in basso"_s;
            QTest::newRow(QByteArray(card + " commands").constData())
                << topic << u"cmdSalva"_s << false << u"I comandi della scheda sono nella barra in alto"_s;
        }
    }
    void cardHelpSaysWhereThingsAre()
    {
        QFETCH(QString, topic);
        QFETCH(QString, control);
        QFETCH(bool, atTheBottom);
        QFETCH(QString, said);
        QVERIFY(shell::help::text(topic).contains(said));
        ui::AreaScreen* card = topic.contains(u"Documenti"_s)
            ? static_cast<ui::AreaScreen*>(program->screens->documents())
            : program->card();
        card->open();
        const auto rect = [card](const QString& name) {
            QWidget* w = testsupport::control(card, name);
            return QRect(w->mapTo(card, QPoint(0, 0)), w->size());
        };
        const QRect place = rect(control);
        if (atTheBottom)
            QVERIFY(place.top() > rect(u"panCorpo"_s).bottom());
        else
            QVERIFY(place.bottom() < rect(u"panCorpo"_s).top());
        if (control == u"lblPosizione"_s)
            QVERIFY(place.left() > rect(u"cmdIndietro"_s).right() && place.right() < rect(u"cmdAvanti"_s).left());
    }

    // F1 pressed in any field of a screen opens that screen's page of the
    // guide: the topics each field asked for, with the fields that asked.
    static QMap<QString, QStringList> helpFromEveryField(QWidget* screen)
    {
        QMap<QString, QStringList> asked;
        QStringList seen;
        ui::help::setHandler([&seen](QWidget*, const QString& topic) { seen << topic; });
        for (QWidget* field : screen->findChildren<QWidget*>()) {
            if (!(field->focusPolicy() & Qt::TabFocus) || !field->isVisibleTo(screen) || field->objectName().isEmpty())
                continue;
            seen.clear();
            QTest::keyClick(field, Qt::Key_F1);
            asked[seen.join(u" + "_s)] << field->objectName();
        }
        ui::help::setHandler(&shell::help::show);
        return asked;
    }

    void f1OpensTheScreensHelpFromEveryField_data()
    {
        QTest::addColumn<QString>("command"); // on the main menu; empty for a card area
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("topic");
        QTest::newRow("menu") << QString() << u"menu"_s << u"Uno sguardo ad Quirvale 5.0."_s;
        QTest::newRow("appointments") << QString() << u"appointments"_s << u"Applicazione Archivio appuntamenti."_s;
        QTest::newRow("contacts") << QString() << u"contacts"_s << u"Applicazione Anagrafica contatti."_s;
        QTest::newRow("documents") << QString() << u"documents"_s << u"Applicazione Archivio Documenti."_s;
        QTest::newRow("agenda") << QString() << u"agenda"_s << u"Applicazione Agenda impegni."_s;
        QTest::newRow("sync") << u"icoSincronizza"_s << QString() << u"Sincronizzazione con il server di calendario."_s;
        QTest::newRow("tools") << u"imgStrumenti"_s << QString()
                               << u"Strumenti: copie di sicurezza e verifica degli archivi."_s;
        QTest::newRow("settings") << u"imgImpostazioni"_s << QString() << u"Promemoria sul desktop."_s;
        QTest::newRow("exchange") << u"cmdScambio"_s << u"contacts"_s << u"Scambio con calendari e rubriche."_s;
        QTest::newRow("information") << u"imgInfo"_s << QString() << u"Uno sguardo ad Quirvale 5.0."_s;
    }
    void f1OpensTheScreensHelpFromEveryField()
    {
        QFETCH(QString, command);
        QFETCH(QString, area);
        QFETCH(QString, topic);
        enter();
        QVERIFY(!shell::help::text(topic).isEmpty());
        const QMap<QString, QWidget*> areas = { { u"menu"_s, program->menu() }, { u"appointments"_s, program->card() },
            { u"contacts"_s, program->screens->contacts() }, { u"documents"_s, program->screens->documents() },
            { u"agenda"_s, program->agenda() } };
        QWidget* screen = areas.value(area, program->menu());
        if (auto* opened = qobject_cast<ui::AreaScreen*>(screen))
            opened->open();
        QMap<QString, QStringList> asked;
        if (command.isEmpty()) {
            asked = helpFromEveryField(screen);
        } else {
            testsupport::whenModal([&](QWidget* dialog) {
                asked = helpFromEveryField(dialog);
                dialog->close();
            });
            testsupport::control<QAbstractButton>(screen, command)->click();
        }
        QCOMPARE(asked.keys(), QStringList { topic });
    }

    // After the contact search opened from the card is closed, F1 in the
    // card's name field still opens the card's help.
    void f1AfterTheContactSearch()
    {
        enter();
        auto* contacts = program->screens->contacts();
        contacts->open();
        testsupport::whenModal([](QWidget* search) { search->close(); });
        testsupport::control<QAbstractButton>(contacts, u"cmdTrova"_s)->click();
        QStringList seen;
        ui::help::setHandler([&seen](QWidget*, const QString& topic) { seen << topic; });
        QTest::keyClick(testsupport::control(contacts, u"txtCliente"_s), Qt::Key_F1);
        ui::help::setHandler(&shell::help::show);
        QCOMPARE(seen, QStringList { u"Applicazione Anagrafica contatti."_s });
    }

    // The real boxes: a notice only tells and has nothing to cancel; a
    // question offers its answers.
    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("informazione") << 0 << QStringList { u"OK"_s };
        QTest::newRow("attenzione") << 1 << QStringList { u"OK"_s };
        QTest::newRow("errore") << 2 << QStringList { u"OK"_s };
        QTest::newRow("domanda") << 3 << QStringList { u"Sì"_s, u"No"_s };
        QTest::newRow("scelta") << 4 << QStringList { u"Sì"_s, u"No"_s, u"Annulla"_s };
    }
    void messageBoxButtons()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, buttons);
        ui::messages::setHandler({});
        QStringList shown;
        testsupport::whenModal([&shown](QWidget* box) {
            QAbstractButton* any = nullptr;
            for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
                if (button->isVisible()) {
                    shown << button->text();
                    any = button;
                }
            QVERIFY(any);
            any->click();
        });
        const QList<std::function<void()>> boxes = { [] { ui::messages::information(u"Inserita in archivio."_s); },
            [] { ui::messages::warning(u"Campo obbligatorio."_s); }, [] { ui::messages::error(u"Errore."_s); },
            [] { ui::messages::confirm(u"Procedere?"_s); }, [] { ui::messages::choose(u"Salvare?"_s); } };
        boxes[kind]();
        program.reset(); // its message recorder goes
        std::sort(shown.begin(), shown.end(),
            [&buttons](const QString& a, const QString& b) { return buttons.indexOf(a) < buttons.indexOf(b); });
        QCOMPARE(shown, buttons);
    }

    void helpViewerShowsEachTopicAfresh()
    {
        enter();
        QStringList seen;
        for (const QString& title : { u"Uno sguardo ad Quirvale 5.0."_s, u"Applicazione Agenda impegni."_s }) {
            testsupport::whenModal([&](QWidget* viewer) {
                QCOMPARE(viewer->windowTitle(), u" Guida all'utilizzo del software"_s);
                seen << viewer->findChild<QLabel*>(u"lblTitolo"_s)->text();
                const QString text = viewer->findChild<QPlainTextEdit*>(u"txtGuida"_s)->toPlainText();
                QVERIFY(text.startsWith(shell::help::text(title).left(40)));
                QTest::mouseClick(viewer->findChild<ui::LinkLabel*>(u"lnkWeb"_s), Qt::LeftButton);
                viewer->findChild<QPushButton*>(u"btnChiudi"_s)->click();
            });
            ui::help::show(program->menu(), title);
        }
        QCOMPARE(seen, (QStringList { u"Uno sguardo ad Quirvale 5.0."_s, u"Applicazione Agenda impegni."_s }));
        const QString manual = u"\""_s + programFolder::path() + u"Guida.pdf\""_s;
        QCOMPARE(program->shellOpens.opened, (QStringList { manual, manual }));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
