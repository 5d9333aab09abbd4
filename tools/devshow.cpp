// Developer entry point for looking at pieces of the program on their own:
//   devshow list-pdf OUT.pdf [LINES]   a list print written to PDF
//   devshow card-pdf OUT.pdf [ROWS]    a card with framed rows (30: two pages)
//   devshow screen NAME [FOLDER]       one screen, shown until closed
//   devshow shot NAME OUT.png [FOLDER] one screen, shown, grabbed into a picture
//   devshow summary-pdf OUT.pdf FOLDER [CONTACT]  this year's summary of a folder, printed to PDF
// Not installed with the program.
#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "contacts/contactsearch.h"
#include "ui/cardprint.h"
#include "shell/helpviewer.h"
#include "shell/help.h"
#include "shell/infoscreen.h"
#include "storage/archivefile.h"
#include "storage/records.h"
#include "storage/texts.h"
#include "ui/reportpreview.h"
#include "ui/datepicker.h"
#include "checks/cardnumberwindow.h"
#include "checks/codicefiscalewindow.h"
#include "checks/ibanwindow.h"
#include "checks/partitaivawindow.h"
#include "shell/screens.h"
#include "storage/programfolder.h"
#include "summaries/periodsummary.h"
#include "summaries/summariesmenu.h"
#include "appointments/appointmentexports.h"
#include "ui/services.h"
#include "ui/report.h"
#include "ui/style.h"

#include "ui/exportscreen.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A card of `count` rows, long enough by default to continue on a second page.
report::Template sampleCard(int count)
{
    QList<ui::PrintRow> rows;
    for (int row = 1; row <= count; ++row)
        rows.append({u"Etichetta %1:"_s.arg(row),
                     u"Valore della riga %1 con un testo piuttosto lungo che viene tagliato al bordo del campo"_s.arg(row)});
    report::Template t = ui::cardTemplate(u"Scheda"_s, u"SCHEDA INFORMATIVA DI PROVA"_s, rows);
    t.setText(u"txtCalce"_s, ui::printedAtText());
    return t;
}

// This year's summary of the program folder, with a contact filter or none.
PeriodSummary* yearSummary(const QString& contact = QString())
{
    const int year = QDate::currentDate().year();
    const summaries::Criteria criteria {contact, QString(), QDate(year, 1, 1), QDate(year, 12, 31)};
    return new PeriodSummary(
        criteria, summaries::summarise(programFolder::file(programFolder::Appointments), criteria), nullptr);
}

// A few appointments around today for looking at the screens.
void writeSamples(const QString& folder)
{
    programFolder::setOverride(folder);
    const QDate today = QDate::currentDate();
    struct Sample {
        int days, hour, minute, notice;
        const char16_t *type, *purpose, *contact, *mobile;
        bool fulfilled;
    };
    const Sample samples[] = {
        {-3, 9, 30, 0, u"Pagamento", u"Rata del leasing dell'auto aziendale", u"Banca Popolare", u"", false},
        {0, 11, 0, 0, u"Riunione", u"Verifica del contratto di manutenzione", u"Rossi Mario", u"333 1234567", false},
        {0, 15, 30, 2, u"Telefonata", u"Richiamare per il preventivo", u"Bianchi & Figli snc", u"347 7654321", false},
        {2, 10, 0, 5, u"Scadenza", u"Versamento F24 di fine mese", u"Studio Verdi", u"", false},
        {6, 16, 0, 7, u"Incontro", u"Presentazione del nuovo catalogo", u"Ferri Laura", u"339 1112223", false},
        {20, 9, 0, 3, u"Udienza", u"Tribunale di Roma, sezione civile", u"Avv. Neri", u"", false},
        {-10, 12, 0, 0, u"Consegna", u"Consegna documenti al commercialista", u"Studio Verdi", u"", true},
    };
    const char16_t* amounts[] = {u"1250,00", u"0,00", u"80,50", u"2317,45", u"0,00", u"450,00", u"99,99"};
    int sample = 0;
    for (const Sample& x : samples) {
        AppointmentRecord r;
        const QDate d = today.addDays(x.days);
        r.setText(AppointmentField::date, texts::formatDate(d));
        r.setText(AppointmentField::hour, u"%1"_s.arg(x.hour, 2, 10, QChar(u'0')));
        r.setText(AppointmentField::minute, u"%1"_s.arg(x.minute, 2, 10, QChar(u'0')));
        r.setText(AppointmentField::time, texts::formatTime(x.hour, x.minute));
        r.setText(AppointmentField::noticeDays, QString::number(x.notice));
        r.setText(AppointmentField::commitmentType, QString::fromUtf16(x.type));
        r.setText(AppointmentField::purpose, QString::fromUtf16(x.purpose));
        r.setText(AppointmentField::contact, QString::fromUtf16(x.contact));
        r.setText(AppointmentField::mobile, QString::fromUtf16(x.mobile));
        r.setText(AppointmentField::place, u"Città di Castello, via dell'Università 12 <int. 3> & C."_s);
        r.setText(AppointmentField::phone, u"0612345678"_s);
        r.setText(AppointmentField::details, u"CAP 00184 - P.IVA 01234567890"_s);
        r.setText(AppointmentField::amount, QString::fromUtf16(amounts[sample++]));
        r.setFlag(AppointmentField::fulfilled, x.fulfilled);
        archive::append(programFolder::file(programFolder::Appointments), AppointmentRecord::Size, r.data());
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    const QStringList args = app.arguments();
    std::unique_ptr<shell::Screens> owner; // destroyed before the application
    if (args.size() >= 3 && args[1] == u"list-pdf"_s) {
        QStringList lines;
        const int count = args.size() > 3 ? args[3].toInt() : 120;
        for (int i = 1; i <= count; ++i)
            lines << u"ID: 2024030%1093%2  Data: 0%1/03/2024  Ora: 09:30  Riunione con il cliente per la verifica n. %3   Contatto: Rossi Mario                    Cel. 333 1234567"_s
                         .arg(i % 9 + 1).arg(i % 10).arg(i);
        report::printer::setPdfTarget(args[2]);
        return report::printList(u"Riepilogo appuntamenti imminenti"_s, lines) ? 0 : 1;
    }
    if (args.size() >= 3 && args[1] == u"card-pdf"_s) {
        report::Template t = sampleCard(args.size() > 3 ? args[3].toInt() : 30);
        t.prepare();
        return report::printer::exportPdf(t, args[2], u"Scheda"_s) ? 0 : 1;
    }
    if (args.size() >= 3 && args[1] == u"exports"_s) {
        // The four appointment exports of a folder, as a user answering Yes, then No.
        programFolder::setOverride(args[2]);
        shell::Screens screens;
        int question = 0;
        ui::messages::setHandler([&](ui::MessageKind kind, const QString& text) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return kind == ui::MessageKind::Question && question++ % 2 == 1 ? ui::Answer::No : ui::Answer::Yes;
        });
        const QDate today = ui::clock::today();
        for (const ui::ExportDefinition& definition :
             {appointments::archiveExport(), appointments::imminentExport(), appointments::dayExport(today),
              appointments::monthExport(today)}) {
            ui::ExportScreen screen(definition, nullptr);
            screen.show();
            screen.cmdEsportaClick();
        }
        return 0;
    }
    if (args.size() >= 4 && args[1] == u"summary-pdf"_s) {
        programFolder::setOverride(args[3]);
        report::printer::setPdfTarget(args[2]);
        ui::messages::setHandler([](ui::MessageKind, const QString& text) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return ui::Answer::Yes;
        });
        std::unique_ptr<PeriodSummary> summary(yearSummary(args.size() > 4 ? args[4] : QString()));
        summary->btnStampaClick();
        return 0;
    }
    if (args.size() >= 3 && args[1] == u"samples"_s) {
        writeSamples(args[2]);
        return 0;
    }
    const bool shot = args.size() >= 4 && args[1] == u"shot"_s;
    if (shot || (args.size() >= 3 && args[1] == u"screen"_s)) {
        const qsizetype folderAt = shot ? 4 : 3;
        if (shot) // a picture of the screen, not of a message box over it
            ui::messages::setHandler([](ui::MessageKind, const QString& text) {
                std::fprintf(stderr, "%s\n", qPrintable(text));
                return ui::Answer::Ok;
            });
        if (args.size() > folderAt)
            programFolder::setOverride(args[folderAt]);
        const auto program = [&owner] {
            if (!owner)
                owner = std::make_unique<shell::Screens>();
            return owner.get();
        };
        const std::map<QString, std::function<QWidget*()>> screens = {
            {u"frmCodFisc"_s, [] { return new CodiceFiscaleWindow(u"RSSMRA80A01H501U"_s); }},
            {u"frmPartitaIva"_s, [] { return new PartitaIvaWindow(u"12345678903"_s); }},
            {u"frmCarta"_s, [] { return new CardNumberWindow(u"4111111111111111"_s); }},
            {u"frmIban"_s, [] { return new IbanWindow(u"IT60X0542811101000000123456"_s); }},
            {u"frmArchivio_Scadenze"_s, [&] { return program()->appointmentCard(); }},
            {u"frmClienti"_s, [&] {
                 program()->contacts()->card().last();
                 return program()->contacts();
             }},
            {u"frmTrovaClienti"_s, [] { return new ContactSearch({}); }},
            {u"frmRicontatta"_s, [&] { return new ui::ListScreen(program()->contacts()->callBackList(), nullptr); }},
            {u"frmMenuRiepCosti"_s, [&] {
                 program()->summaries()->open();
                 return program()->summaries();
             }},
            {u"frmRiepCosti"_s, [] { return yearSummary(); }},
            {u"frmCalendario"_s, [] { return new ui::DatePicker(nullptr); }},
            {u"frmAgenda"_s, [&] {
                 program()->agenda()->open();
                 return program()->agenda();
             }},
            {u"frmGuida"_s, [] {
                 auto* viewer = new HelpViewer;
                 viewer->showTopic(u"Applicazione Agenda impegni."_s, shell::help::text(u"Applicazione Agenda impegni."_s));
                 return viewer;
             }},
            {u"frmInfo"_s, [] { return new InfoScreen; }},
            {u"preview"_s, [&] {
                 auto& card = program()->appointmentCard()->card();
                 card.last();
                 static report::Template t = ui::cardTemplate(u"Scheda Appuntamento"_s,
                                                              u"SCHEDA INFORMATIVA APPUNTAMENTO"_s, card.printRows());
                 t.setText(u"txtCalce"_s, ui::printedAtText());
                 t.prepare();
                 return new report::PreviewWindow(t);
             }},
        };
        const auto found = screens.find(args[2]);
        if (found == screens.end())
            return 2;
        QWidget* screen = found->second();
        screen->show();
        if (shot) {
            const QString out = args[3];
            QTimer::singleShot(800, screen, [screen, out] {
                QWidget* top = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : screen;
                const bool saved = top->grab().save(out);
                QApplication::exit(saved ? 0 : 1);
            });
        }
        return app.exec();
    }
    std::fprintf(stderr, "usage: devshow list-pdf OUT.pdf [LINES] | card-pdf OUT.pdf [ROWS] | screen NAME [FOLDER] | "
                         "shot NAME OUT.png [FOLDER] | summary-pdf OUT.pdf FOLDER [CONTACT]\n");
    return 2;
}
