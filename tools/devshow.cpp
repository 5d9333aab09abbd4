// Developer entry point for looking at pieces of the program on their own:
//   devshow list-pdf OUT.pdf [LINES]   a list print written to PDF
//   devshow card-pdf OUT.pdf [ROWS]    a card with framed rows (30: two pages)
//   devshow document-pdf OUT.pdf FOLDER the last document card of FOLDER, printed to PDF
//   devshow screen NAME [FOLDER]       one screen, shown until closed
//   devshow shot NAME OUT.png [FOLDER] one screen, shown, grabbed into a picture
//   devshow summary-pdf OUT.pdf FOLDER [CONTACT]  this year's summary of a folder, printed to PDF
// Not installed with the program.
#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "appointments/appointmentexports.h"
#include "backup/toolsscreen.h"
#include "checks/cardnumberwindow.h"
#include "checks/codicefiscalewindow.h"
#include "checks/ibanwindow.h"
#include "checks/partitaivawindow.h"
#include "contacts/contactcard.h"
#include "contacts/contactprint.h"
#include "contacts/contactsearch.h"
#include "documents/attachscreen.h"
#include "documents/documentcard.h"
#include "documents/documentprint.h"
#include "documents/documentsearch.h"
#include "exchange/exchangescreen.h"
#include "reminders/settingsscreen.h"
#include "shell/help.h"
#include "shell/helpviewer.h"
#include "shell/infoscreen.h"
#include "shell/mainmenu.h"
#include "shell/screens.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/texts.h"
#include "summaries/periodsummary.h"
#include "summaries/summariesmenu.h"
#include "sync/syncscreen.h"
#include "ui/cardprint.h"
#include "ui/datepicker.h"
#include "ui/report.h"
#include "ui/reportpreview.h"
#include "ui/services.h"
#include "ui/style.h"

#include "ui/exportscreen.h"

#include <QApplication>
#include <QFile>
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
        rows.append({ u"Etichetta %1:"_s.arg(row),
            u"Valore della riga %1 con un testo piuttosto lungo che viene tagliato al bordo del campo"_s.arg(row) });
    report::Template t = ui::cardTemplate(u"Scheda"_s, u"SCHEDA INFORMATIVA DI PROVA"_s, rows);
    t.setText(u"txtCalce"_s, ui::printedAtText());
    return t;
}

// This year's summary of the program folder, with a contact filter or none.
PeriodSummary* yearSummary(const QString& contact = QString())
{
    const int year = QDate::currentDate().year();
    const summaries::Criteria criteria { contact, QString(), QDate(year, 1, 1), QDate(year, 12, 31) };
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
        { -3, 9, 30, 0, u"Pagamento", u"Rata del leasing dell'auto aziendale", u"Banca Popolare", u"", false },
        { 0, 11, 0, 0, u"Riunione", u"Verifica del contratto di manutenzione", u"Rossi Mario", u"333 1234567", false },
        { 0, 15, 30, 2, u"Telefonata", u"Richiamare per il preventivo", u"Bianchi & Figli snc", u"347 7654321", false },
        { 2, 10, 0, 5, u"Scadenza", u"Versamento F24 di fine mese", u"Studio Verdi", u"", false },
        { 6, 16, 0, 7, u"Incontro", u"Presentazione del nuovo catalogo", u"Ferri Laura", u"339 1112223", false },
        { 20, 9, 0, 3, u"Udienza", u"Tribunale di Roma, sezione civile", u"Avv. Neri", u"", false },
        { -10, 12, 0, 0, u"Consegna", u"Consegna documenti al commercialista", u"Studio Verdi", u"", true },
    };
    const char16_t* amounts[] = { u"1250,00", u"0,00", u"80,50", u"2317,45", u"0,00", u"450,00", u"99,99" };
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

    struct Person {
        const char16_t *name, *town, *province, *phone, *occupation, *interests, *issues;
        bool callBack;
    };
    const Person people[] = {
        { u"Rossi Mario", u"Roma", u"RM", u"06 5551234", u"Avvocato", u"Consulenza contrattuale",
            u"Preventivo da inviare", true },
        { u"Bianchi & Figli snc", u"Città di Castello", u"PG", u"075 8551200", u"Commercio", u"Forniture per ufficio",
            u"", false },
        { u"Ferri Laura", u"Milano", u"MI", u"339 1112223", u"Architetto", u"Progettazione interni",
            u"Richiamare a marzo", true },
    };
    using C = ContactField;
    for (const Person& p : people) {
        ContactRecord r;
        r.setText(C::fullName, QString::fromUtf16(p.name));
        r.setText(C::birthDate, u"12/05/1971"_s);
        r.setText(C::birthPlace, u"Perugia"_s);
        r.setText(C::birthProvince, u"PG"_s);
        r.setText(C::sex, u"M"_s);
        r.setText(C::preferredPhone, QString::fromUtf16(p.phone));
        r.setText(C::residenceAddress, u"Via dell'Università 12"_s);
        r.setText(C::residenceTown, QString::fromUtf16(p.town));
        r.setText(C::residenceProvince, QString::fromUtf16(p.province));
        r.setText(C::postCode, u"00184"_s);
        r.setText(C::paymentMethod, u"Bonifico a 30 giorni"_s);
        r.setText(C::email, u"info@example.it"_s);
        r.setText(C::taxCode, u"RSSMRA71E12G478X"_s);
        r.setText(C::cardNumber, u"4111111111111111"_s);
        r.setText(C::cardExpiry, u"09/2027"_s);
        r.setText(C::vatNumber, u"01234567890"_s);
        r.setText(C::iban, u"IT60X0542811101000000123456"_s);
        r.setText(C::occupation, QString::fromUtf16(p.occupation));
        r.setText(C::interests, QString::fromUtf16(p.interests));
        r.setText(C::zone, u"Centro"_s);
        r.setText(C::pendingIssues, QString::fromUtf16(p.issues));
        r.setText(C::notes, u"Cliente dal 2015"_s);
        r.setFlag(C::toRecontact, p.callBack);
        archive::append(programFolder::file(programFolder::Contacts), ContactRecord::Size, r.data());
    }
}

// A few documents, some to complete, for looking at the document screens.
void writeDocumentSamples(const QString& folder)
{
    programFolder::setOverride(folder);
    using F = DocumentField;
    struct Sample {
        const char16_t *name, *protocol, *producer, *date, *recipient, *subject;
        bool toComplete;
    };
    const Sample samples[] = {
        { u"Contratto di locazione ufficio", u"2024/0012", u"Immobiliare Aurora srl", u"15/01/2024", u"Studio Verdi",
            u"Rinnovo del contratto di locazione della sede di via Roma", false },
        { u"Fattura n. 118", u"2024/0031", u"Bianchi & Figli snc", u"02/02/2024", u"Studio Verdi",
            u"Fornitura di materiale di cancelleria", true },
        { u"Circolare INPS n. 27", u"2024/0044", u"INPS - Direzione centrale", u"20/02/2024", u"Tutti gli uffici",
            u"Nuove aliquote contributive per l'anno in corso", false },
        { u"Verbale di assemblea dei soci <straordinaria>", u"2024/0058", u"Rossi Mario", u"04/03/2024",
            u"Soci della società", u"Approvazione del bilancio e nomina del collegio sindacale", true },
        { u"Richiesta di documentazione integrativa per la pratica edilizia n. 1234/2023", u"2024/0060",
            u"Comune di Città di Castello - Ufficio tecnico", u"07/03/2024", u"Studio Verdi",
            u"Integrazione della pratica edilizia entro trenta giorni dal ricevimento", true },
    };
    for (const Sample& x : samples) {
        DocumentRecord r;
        r.setText(F::documentName, QString::fromUtf16(x.name));
        r.setText(F::protocolNumber, QString::fromUtf16(x.protocol));
        r.setText(F::producer, QString::fromUtf16(x.producer));
        r.setText(F::producerAddress, u"Via dell'Università 12, 06012 Città di Castello (PG)"_s);
        r.setText(F::productionDate, QString::fromUtf16(x.date));
        r.setText(F::recipient, QString::fromUtf16(x.recipient));
        r.setText(F::recipientAddress, u"Piazza Garibaldi 3, 00184 Roma"_s);
        r.setText(F::receiptDate, QString::fromUtf16(x.date).replace(0, 2, u"28"_s));
        r.setText(F::subject, QString::fromUtf16(x.subject));
        r.setText(F::documentType, u"Lettera"_s);
        r.setText(F::classification, u"Amministrazione / Contratti"_s);
        r.setText(F::dossier, u"Fascicolo 2024 - Sede"_s);
        r.setText(F::format, u"A4, cartaceo e PDF"_s);
        r.setText(F::pageCount, u"4"_s);
        r.setText(F::enclosures, u"Planimetria, visura catastale"_s);
        r.setText(F::references, u"Protocollo 2023/0451 del 12/12/2023"_s);
        r.setText(F::confidentialityLevel, u"Riservato"_s);
        r.setText(F::productionSoftware, u"LibreOffice Writer"_s);
        r.setText(F::paperLocation, u"Armadio 2, ripiano 3"_s);
        r.setText(F::citedParties, u"Rossi Mario, Bianchi Anna, Studio Verdi"_s);
        r.setText(F::notes, u"Da verificare la data di scadenza [DATE] con il cliente"_s);
        r.setText(F::digitalCopyFile, u"contratto_locazione.pdf"_s);
        r.setFlag(F::toComplete, x.toComplete);
        r.setText(F::attachedFile1, u"planimetria.pdf"_s);
        r.setText(F::attachmentDescription1, u"Planimetria dell'ufficio"_s);
        archive::append(programFolder::file(programFolder::Documents), DocumentRecord::Size, r.data());
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
            lines
                << u"ID: 2024030%1093%2  Data: 0%1/03/2024  Ora: 09:30  Riunione con il cliente per la verifica n. %3   Contatto: Rossi Mario                    Cel. 333 1234567"_s
                       .arg(i % 9 + 1)
                       .arg(i % 10)
                       .arg(i);
        report::printer::setPdfTarget(args[2]);
        return report::printList(u"Riepilogo appuntamenti imminenti"_s, lines) ? 0 : 1;
    }
    if (args.size() >= 3 && args[1] == u"card-pdf"_s) {
        report::Template t = sampleCard(args.size() > 3 ? args[3].toInt() : 30);
        t.prepare();
        return report::printer::exportPdf(t, args[2], u"Scheda"_s) ? 0 : 1;
    }
    if (args.size() >= 3 && args[1] == u"contact-pdf"_s) {
        // The contact card of the sample folder's first contact, or an empty card, as PDF.
        if (args.size() > 3)
            programFolder::setOverride(args[3]);
        owner = std::make_unique<shell::Screens>();
        ui::messages::setHandler([](ui::MessageKind, const QString&) { return ui::Answer::Ok; });
        owner->contacts()->card().first();
        return report::printer::exportPdf(
                   contacts::contactCardReport(owner->contacts()->printRows(true)), args[2], u"Scheda informativa"_s)
            ? 0
            : 1;
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
        for (const ui::ExportDefinition& definition : { appointments::archiveExport(), appointments::imminentExport(),
                 appointments::dayExport(today), appointments::monthExport(today) }) {
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
        writeDocumentSamples(args[2]);
        return 0;
    }
    if (args.size() >= 4 && args[1] == u"document-pdf"_s) {
        programFolder::setOverride(args[3]);
        owner = std::make_unique<shell::Screens>();
        owner->documents()->card().last();
        const report::Template t = documents::documentCardReport(owner->documents()->card().printRows());
        return report::printer::exportPdf(t, args[2], u"Scheda"_s) ? 0 : 1;
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
            { u"frmCodFisc"_s, [] { return new CodiceFiscaleWindow(u"RSSMRA80A01H501U"_s); } },
            { u"frmPartitaIva"_s, [] { return new PartitaIvaWindow(u"12345678903"_s); } },
            { u"frmCarta"_s, [] { return new CardNumberWindow(u"4111111111111111"_s); } },
            { u"frmIban"_s, [] { return new IbanWindow(u"IT60X0542811101000000123456"_s); } },
            { u"frmArchivio_Scadenze"_s, [&] { return program()->appointmentCard(); } },
            { u"frmClienti"_s,
                [&] {
                    program()->contacts()->card().last();
                    return program()->contacts();
                } },
            { u"frmTrovaClienti"_s, [] { return new ContactSearch({}); } },
            { u"frmAltri"_s,
                [&] {
                    program()->documents()->open();
                    program()->documents()->card().last();
                    return program()->documents();
                } },
            { u"frmTrovaAltri"_s, [] { return new DocumentSearch({}); } },
            { u"frmTrovaAltri-elenco"_s,
                [] {
                    auto* search = new DocumentSearch({});
                    QTimer::singleShot(100, search, [search] { search->btnCercaClick(); });
                    return search;
                } },
            { u"frmAllegaCartella"_s,
                [&] {
                    auto& card = program()->documents()->card();
                    card.last();
                    return new AttachScreen(card.attachments(), {}, { programFolder::Documents, card.position() });
                } },
            { u"frmDaCompletare"_s,
                [&] { return new ui::ListScreen(program()->documents()->toCompleteList(), nullptr); } },
            { u"frmStampaAltri"_s,
                [&] {
                    DocumentCard* card = program()->documents();
                    card->open();
                    card->card().last();
                    QTimer::singleShot(100, card, [card] { card->cmdStampaClick(); });
                    return card;
                } },
            { u"frmExpAltri"_s, [] { return new ui::ExportScreen(DocumentCard::exportDefinition(), nullptr); } },
            { u"frmRicontatta"_s, [&] { return new ui::ListScreen(program()->contacts()->callBackList(), nullptr); } },
            { u"frmMenuRiepCosti"_s,
                [&] {
                    program()->summaries()->open();
                    return program()->summaries();
                } },
            { u"frmRiepCosti"_s, [] { return yearSummary(); } },
            { u"frmCalendario"_s, [] { return new ui::DatePicker(nullptr, nullptr, u"1"_s); } },
            { u"frmAgenda"_s,
                [&] {
                    program()->agenda()->open();
                    return program()->agenda();
                } },
            { u"frmGuida"_s,
                [] {
                    auto* viewer = new HelpViewer;
                    viewer->showTopic(
                        u"Applicazione Agenda impegni."_s, shell::help::text(u"Applicazione Agenda impegni."_s));
                    return viewer;
                } },
            { u"frmInfo"_s, [] { return new InfoScreen; } },
            { u"frmAvvio"_s, [&] { return program()->menu(); } },
            { u"frmStrumenti"_s, [] { return new ToolsScreen; } },
            { u"frmImpostazioni"_s, [&] { return new SettingsScreen(program()->reminders()); } },
            { u"frmSincronizzazione"_s, [] { return new SyncScreen; } },
            { u"frmScambio"_s, [] { return new ExchangeScreen(exchange::Archive::Appointments, nullptr); } },
            // The preview of every calendar and address book of the folder named "anteprima.*".
            { u"frmScambio-anteprima"_s,
                [] {
                    const bool calendar = QFile::exists(programFolder::file(u"anteprima.ics"_s));
                    ui::fileDialog::setHandler([calendar](const QString&, const QString&) {
                        return programFolder::file(calendar ? u"anteprima.ics"_s : u"anteprima.vcf"_s);
                    });
                    auto* screen = new ExchangeScreen(
                        calendar ? exchange::Archive::Appointments : exchange::Archive::Contacts, nullptr);
                    QTimer::singleShot(100, screen, [screen] { screen->cmdImportaFileClick(); });
                    return screen;
                } },
            { u"preview"_s,
                [&] {
                    auto& card = program()->appointmentCard()->card();
                    card.last();
                    static report::Template t = ui::cardTemplate(
                        u"Scheda Appuntamento"_s, u"SCHEDA INFORMATIVA APPUNTAMENTO"_s, card.printRows());
                    t.setText(u"txtCalce"_s, ui::printedAtText());
                    t.prepare();
                    return new report::PreviewWindow(t);
                } },
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
    std::fprintf(stderr,
        "usage: devshow list-pdf OUT.pdf [LINES] | card-pdf OUT.pdf [ROWS] | screen NAME [FOLDER] | "
        "shot NAME OUT.png [FOLDER] | summary-pdf OUT.pdf FOLDER [CONTACT]\n");
    return 2;
}
