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
            u"Esportazione archivio documenti in Microsoft Excel."_s, u"Scambio con calendari e rubriche."_s };
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
