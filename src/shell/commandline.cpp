#include "shell/commandline.h"

#include "backup/archivecheck.h"
#include "backup/backuprules.h"
#include "exchange/contentlines.h"
#include "exchange/exchangeplan.h"
#include "reminders/reminderwatch.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "sync/davclient.h"
#include "sync/keyring.h"
#include "sync/recordcodecs.h"
#include "sync/syncrun.h"
#include "ui/services.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace shell::commandline {

namespace {

const QString ProgramFolderOption = u"--program-folder"_s;

QString usage()
{
    QString text = u"Uso: Quirvale [COMANDO] [--program-folder CARTELLA] [OPZIONI]\n"
                   u"Senza comando il programma si apre con le sue finestre.\n\nComandi:\n"_s;
    const auto line = [&text](const QString& name, const QString& value, const QString& description) {
        const QString head = value.isEmpty() ? name : name + u' ' + value;
        text += u"  "_s + head.leftJustified(26) + u' ' + description + u'\n';
    };
    for (const Command& command : commands())
        line(command.name, command.valueName, command.description);
    text += u"\nOpzioni:\n"_s;
    line(ProgramFolderOption, u"CARTELLA"_s,
        u"la cartella del programma su cui lavorare (altrimenti quella del programma)"_s);
    for (const Option& option : options())
        line(option.name, option.valueName, option.description);
    return text;
}

int help(const Request&, QTextStream& out, QTextStream&)
{
    out << usage();
    return Done;
}

const QString KeepOption = u"--keep"_s;
const QString DamagedOption = u"--damaged"_s;

int makeBackup(const Request& request, QTextStream& out, QTextStream& err)
{
    int keep = backup::DefaultKeep;
    if (request.has(KeepOption)) {
        bool ok = false;
        keep = request.option(KeepOption).toInt(&ok);
        if (!ok || keep < 1) {
            err << u"Errore: %1 vuole un numero di copie da 1 in su.\n"_s.arg(KeepOption);
            return Usage;
        }
    }
    const backup::Result result = backup::makeBackup(
        programFolder::path(), QFileInfo(request.value).absoluteFilePath(), keep, QDateTime::currentDateTime());
    (result.ok() ? out : err) << result.message << u'\n';
    for (const QString& removed : result.removed)
        out << u"Rimossa la copia meno recente: %1\n"_s.arg(removed);
    return result.ok() ? Done : Failed;
}

int restoreBackup(const Request& request, QTextStream& out, QTextStream& err)
{
    const backup::Result result = backup::restore(
        programFolder::path(), QFileInfo(request.value).absoluteFilePath(), QDateTime::currentDateTime());
    (result.ok() ? out : err) << result.message << u'\n';
    return result.ok() ? Done : Failed;
}

int checkArchives(const Request& request, QTextStream& out, QTextStream& err)
{
    const QString damaged
        = request.has(DamagedOption) ? QFileInfo(request.option(DamagedOption)).absoluteFilePath() : QString();
    try {
        QString writeError;
        const backup::check::Report report = backup::check::run(programFolder::path(), {}, damaged, &writeError);
        for (const QString& line : report.lines())
            out << line << u'\n';
        if (!writeError.isEmpty()) {
            err << u"Errore: impossibile scrivere il file \"%1\" (%2).\n"_s.arg(damaged, writeError);
            return Failed;
        }
        if (!damaged.isEmpty() && report.hasDamagedBytes())
            out << u"Byte dei record danneggiati copiati in: %1\n"_s.arg(damaged);
        return report.clean() ? Done : Damaged;
    } catch (const AccessFailure&) {
        err << u"Errore: impossibile leggere gli archivi.\n"_s;
        return Failed;
    }
}

const QString ServerOption = u"--server"_s;
const QString UserOption = u"--user"_s;
const QString CalendarOption = u"--calendar"_s;
const QString AddressBookOption = u"--address-book"_s;
// How long a sync without screens waits for another workstation's.
constexpr int SyncLockWaitMs = 10 * 60 * 1000;

// One sync with the settings of the program folder, the server, user and
// collections given here replacing theirs (and kept for the next runs). A
// server or a user given here sets the sync up as the screen's "Cerca"
// does: the calendar and the address book not given are found on the
// server, those of another server given up.
int synchronize(const Request& request, QTextStream& out, QTextStream& err)
{
    davsync::Settings settings = davsync::Settings::load();
    const bool setUp = request.has(ServerOption) || request.has(UserOption);
    if (setUp || request.has(CalendarOption) || request.has(AddressBookOption)) {
        if (request.has(ServerOption))
            settings.server = request.option(ServerOption).trimmed();
        if (request.has(UserOption))
            settings.user = request.option(UserOption).trimmed();
        if (request.has(CalendarOption))
            settings.calendar = request.option(CalendarOption).trimmed();
        if (request.has(AddressBookOption))
            settings.addressBook = request.option(AddressBookOption).trimmed();
        const QUrl server(settings.server);
        try {
            davsync::checkAddress(server, settings.allowPlainHttp);
            if (request.has(CalendarOption) && !settings.calendar.isEmpty())
                davsync::checkAddress(QUrl(settings.calendar), settings.allowPlainHttp);
            if (request.has(AddressBookOption) && !settings.addressBook.isEmpty())
                davsync::checkAddress(QUrl(settings.addressBook), settings.allowPlainHttp);
            if (setUp && (!request.has(CalendarOption) || !request.has(AddressBookOption))) {
                const QString password = davsync::keyring::password(settings);
                if (password.isEmpty()) {
                    err << u"Errore: manca la password per il server %1: impostare la variabile d'ambiente "
                           u"QUIRVALE_SYNC_PASSWORD o salvarla dalla finestra di sincronizzazione.\n"_s.arg(
                               settings.server);
                    return Failed;
                }
                davsync::DavClient client(server, settings.user, password);
                const davsync::Discovery found = client.discover();
                const auto choose = [&](QString& address, const QList<davsync::Collection>& collections,
                                        const QString& given, const QString& what, const QString& none) {
                    if (request.has(given))
                        return;
                    address = davsync::chooseCollection(address, server, collections);
                    if (address.isEmpty()) {
                        out << none << u'\n';
                        return;
                    }
                    QString name = address;
                    for (const davsync::Collection& collection : collections)
                        if (collection.url == QUrl(address))
                            name = u"\"%1\" (%2)"_s.arg(collection.name, address);
                    out << what << name;
                    if (collections.size() > 1)
                        out << u" — sul server ce ne sono %1: per sceglierne un altro indicare %2 URL"_s
                                   .arg(collections.size())
                                   .arg(given);
                    out << u'\n';
                };
                choose(settings.calendar, found.calendars, CalendarOption, u"Calendario: "_s,
                    u"Nessun calendario sul server: gli appuntamenti non si sincronizzano."_s);
                choose(settings.addressBook, found.addressBooks, AddressBookOption, u"Rubrica: "_s,
                    u"Nessuna rubrica sul server: i contatti non si sincronizzano."_s);
            }
        } catch (const davsync::DavError& error) {
            err << u"Errore: "_s << error.message() << u'\n';
            return Failed;
        }
        if (!settings.save()) {
            err << u"Errore: impossibile salvare le impostazioni di sincronizzazione nella cartella del programma.\n"_s;
            return Failed;
        }
        settings = davsync::Settings::load();
    }
    davsync::installRecordCodecs();
    try {
        const davsync::Summary summary
            = davsync::synchronize(settings, davsync::keyring::password(settings), SyncLockWaitMs);
        out << davsync::describe(summary) << u'\n';
        for (const QString& note : summary.notes)
            out << note << u'\n';
        return Done;
    } catch (const std::exception& failure) {
        err << u"Errore: "_s << davsync::failureMessage(failure) << u'\n';
        return Failed;
    }
}

// The reminders the program would give now, one a line, without giving
// them: the same decision as the reminders on the desktop.
int reminderList(const Request&, QTextStream& out, QTextStream& err)
{
    const reminders::Settings settings = reminders::Settings::load(programFolder::file(reminders::Settings::FileName));
    reminders::Watch watch(programFolder::file(programFolder::Appointments),
        programFolder::file(reminders::Ledger::FileName), &ui::clock::now);
    watch.setMinutesBefore(settings.minutesBefore);
    const QList<reminders::Reminder> due = watch.dueNow();
    for (const reminders::Reminder& r : due)
        out << r.texts.title << u" - "_s << QString(r.texts.body).replace(u'\n', u"; "_s) << u'\n';
    if (due.isEmpty())
        err << u"Nessun promemoria da dare adesso.\n"_s;
    return Done;
}

const QString Vcard4Option = u"--vcard4"_s;
const QString FiscalOption = u"--fiscal-data"_s;
const QString FromOption = u"--from"_s;
const QString ToOption = u"--to"_s;
const QString PreviewOption = u"--preview"_s;

// Runs one exchange, turning its failures into their Italian messages.
int exchangeRun(QTextStream& err, const std::function<void()>& action)
{
    try {
        action();
        return Done;
    } catch (const exchange::FileDamage& damage) {
        err << damage.message() << u"\nNessuna scheda è stata scritta.\n"_s;
    } catch (const exchange::ReadFailure& failure) {
        err << failure.message() << u'\n';
    } catch (const exchange::WriteFailure& failure) {
        err << failure.message() << u'\n';
    } catch (const exchange::PlanOutdated&) {
        err << exchange::PlanOutdated::message() << u'\n';
    } catch (const AccessFailure&) {
        err << AccessFailure::message() << u'\n';
    }
    return Failed;
}

int exportCalendar(const Request& request, QTextStream& out, QTextStream& err)
{
    for (const QString& option : { Vcard4Option, FiscalOption })
        if (request.has(option)) {
            err << u"Errore: l'opzione %1 vale soltanto con --export-vcf.\n"_s.arg(option);
            return Usage;
        }
    return exchangeRun(err, [&] {
        const auto outcome = exchange::exportCalendar(request.value, ui::clock::now());
        out << exchange::exportText(exchange::Archive::Appointments, outcome, request.value) << u'\n';
    });
}

int exportContacts(const Request& request, QTextStream& out, QTextStream& err)
{
    return exchangeRun(err, [&] {
        const auto outcome
            = exchange::exportContacts(request.value, { request.has(Vcard4Option), request.has(FiscalOption) });
        out << exchange::exportText(exchange::Archive::Contacts, outcome, request.value) << u'\n';
    });
}

int import(const Request& request, QTextStream& out, QTextStream& err, bool calendar)
{
    exchange::ical::Range range = exchange::ical::Range::nextTwelveMonths(ui::clock::today());
    for (const auto& [option, date] : { std::pair { FromOption, &range.from }, std::pair { ToOption, &range.to } }) {
        if (!request.has(option))
            continue;
        const auto parsed = texts::parseDate(request.option(option));
        if (!parsed) {
            err << u"Errore: la data \"%1\" di %2 non è nella forma gg/mm/aaaa.\n"_s.arg(
                request.option(option), option);
            return Usage;
        }
        *date = *parsed;
    }
    if (range.to < range.from) {
        err << u"Errore: la data di %1 precede quella di %2.\n"_s.arg(ToOption, FromOption);
        return Usage;
    }
    return exchangeRun(err, [&] {
        const QByteArray file = exchange::readImportFile(request.value);
        const exchange::Plan plan
            = calendar ? exchange::planCalendarFile(file, range) : exchange::planContactsFile(file);
        for (const exchange::PlanEntry& entry : plan.entries)
            out << exchange::entryLine(entry) << u'\n';
        out << exchange::planCounts(plan) << u'\n';
        if (request.has(PreviewOption))
            return;
        out << exchange::outcomeText(exchange::applyImport(plan)) << u'\n';
    });
}

} // namespace

const QList<Command>& commands()
{
    static const QList<Command> table = {
        { u"--aiuto"_s, {}, u"mostra questo elenco di comandi e opzioni"_s, help },
        { u"--backup"_s, u"CARTELLA"_s,
            u"scrive una copia di sicurezza degli archivi nella CARTELLA e vi conserva le ultime copie"_s, makeBackup },
        { u"--restore"_s, u"FILE"_s,
            u"ripristina la copia di sicurezza FILE; i dati attuali passano in una cartella datata"_s, restoreBackup },
        { u"--check"_s, {}, u"verifica gli archivi senza modificarli (uscita 3 se trova danni)"_s, checkArchives },
        { u"--promemoria"_s, {}, u"elenca i promemoria degli impegni da dare adesso, senza inviarli"_s, reminderList },
        { u"--export-ics"_s, u"FILE"_s, u"esporta gli appuntamenti in un file iCalendar (.ics)"_s, exportCalendar },
        { u"--import-ics"_s, u"FILE"_s, u"importa gli appuntamenti da un file iCalendar (.ics)"_s,
            [](const Request& r, QTextStream& out, QTextStream& err) { return import(r, out, err, true); } },
        { u"--export-vcf"_s, u"FILE"_s, u"esporta i contatti in un file vCard (.vcf)"_s, exportContacts },
        { u"--import-vcf"_s, u"FILE"_s, u"importa i contatti da un file vCard (.vcf)"_s,
            [](const Request& r, QTextStream& out, QTextStream& err) { return import(r, out, err, false); } },
        { u"--sync"_s, {}, u"sincronizza appuntamenti e contatti con il server CalDAV/CardDAV delle impostazioni"_s,
            synchronize },
    };
    return table;
}

const QList<Option>& options()
{
    static const QList<Option> table = {
        { KeepOption, u"N"_s, u"con --backup: quante copie conservare nella cartella (10 se non indicato)"_s },
        { DamagedOption, u"FILE"_s, u"con --check: copia nel FILE i byte dei record danneggiati"_s },
        { Vcard4Option, {}, u"--export-vcf: scrive vCard 4.0 invece di 3.0"_s },
        { FiscalOption, {},
            u"--export-vcf: includi dati fiscali e bancari (codice fiscale, partita IVA, IBAN, documento d'identità)"_s },
        { FromOption, u"GG/MM/AAAA"_s, u"--import-ics: primo giorno delle ripetizioni importate (oggi)"_s },
        { ToOption, u"GG/MM/AAAA"_s, u"--import-ics: ultimo giorno delle ripetizioni importate (fra dodici mesi)"_s },
        { PreviewOption, {}, u"--import-ics, --import-vcf: mostra soltanto che cosa verrebbe importato"_s },
        { ServerOption, u"URL"_s, u"con --sync: l'indirizzo del server, conservato nelle impostazioni"_s },
        { UserOption, u"NOME"_s,
            u"con --sync: il nome utente sul server, conservato nelle impostazioni "_s
            u"(la password dal portachiavi o da QUIRVALE_SYNC_PASSWORD)"_s },
        { CalendarOption, u"URL"_s,
            u"con --sync: l'indirizzo del calendario (se non indicato, con --server o --user è cercato sul server)"_s },
        { AddressBookOption, u"URL"_s,
            u"con --sync: l'indirizzo della rubrica (se non indicato, con --server o --user è cercata sul server)"_s },
    };
    return table;
}

namespace {

const Command* findCommand(const QString& name)
{
    for (const Command& command : commands())
        if (command.name == name || (name == u"--help"_s && command.name == u"--aiuto"_s))
            return &command;
    return nullptr;
}

// Works on `folder` instead of the program's own; the message when it is not
// a folder.
QString useFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return u"Errore: la cartella del programma \"%1\" non esiste."_s.arg(folder);
    programFolder::setOverride(info.absoluteFilePath());
    return QString();
}

} // namespace

QString takeWindowArguments(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] != ProgramFolderOption)
            return u"Errore: argomento sconosciuto \"%1\".\nPer l'elenco dei comandi: Quirvale --aiuto"_s.arg(
                arguments[i]);
        if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(u"--"_s))
            return u"Errore: manca il valore CARTELLA dopo %1."_s.arg(ProgramFolderOption);
        const QString problem = useFolder(arguments[++i]);
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

bool wantsCommand(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (findCommand(arguments[i]))
            return true;
    return false;
}

std::optional<int> run(const QStringList& arguments)
{
    const auto findOption = [](const QString& name) -> const Option* {
        for (const Option& option : options())
            if (option.name == name)
                return &option;
        return nullptr;
    };

    if (!wantsCommand(arguments))
        return std::nullopt;

    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto wrong = [&err](const QString& text) {
        err << text << u"\nPer l'elenco dei comandi: Quirvale --aiuto\n"_s;
        return Usage;
    };

    const Command* command = nullptr;
    Request request;
    QString folder;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const auto takeValue = [&](const QString& valueName) -> std::optional<QString> {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(u"--"_s)) {
                wrong(u"Errore: manca il valore %1 dopo %2."_s.arg(valueName, argument));
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (const Command* found = findCommand(argument)) {
            if (command)
                return wrong(
                    u"Errore: indicare un solo comando alla volta (%1 e %2)."_s.arg(command->name, found->name));
            command = found;
            request.command = found->name;
            if (!found->valueName.isEmpty()) {
                const auto value = takeValue(found->valueName);
                if (!value)
                    return Usage;
                request.value = *value;
            }
        } else if (argument == ProgramFolderOption) {
            const auto value = takeValue(u"CARTELLA"_s);
            if (!value)
                return Usage;
            folder = *value;
        } else if (const Option* option = findOption(argument)) {
            QString value;
            if (!option->valueName.isEmpty()) {
                const auto taken = takeValue(option->valueName);
                if (!taken)
                    return Usage;
                value = *taken;
            }
            request.options.insert(option->name, value);
        } else {
            return wrong(u"Errore: argomento sconosciuto \"%1\"."_s.arg(argument));
        }
    }

    if (!folder.isEmpty()) {
        const QString problem = useFolder(folder);
        if (!problem.isEmpty()) {
            err << problem << u'\n';
            return Failed;
        }
    }
    if (command->name != u"--aiuto"_s && backup::restoreRunning(programFolder::path())) {
        err << u"Errore: "_s << backup::RestoreRunningMessage << u'\n';
        return Failed;
    }
    if (backup::finishPendingRestore(programFolder::path()))
        err << u"Completato un ripristino rimasto interrotto.\n"_s;
    const int code = command->run(request, out, err);
    out.flush();
    err.flush();
    return code;
}

} // namespace shell::commandline
