#include "shell/commandline.h"

#include "storage/programfolder.h"
#include "sync/davclient.h"
#include "sync/keyring.h"
#include "sync/syncrun.h"

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

const QString ServerOption = u"--server"_s;
const QString UserOption = u"--user"_s;
// How long a sync without screens waits for another workstation's.
constexpr int SyncLockWaitMs = 10 * 60 * 1000;

// One sync with the settings of the program folder, the server and user
// given here replacing theirs (and kept for the next runs).
int synchronize(const Request& request, QTextStream& out, QTextStream& err)
{
    davsync::Settings settings = davsync::Settings::load();
    if (request.has(ServerOption) || request.has(UserOption)) {
        if (request.has(ServerOption))
            settings.server = request.option(ServerOption).trimmed();
        if (request.has(UserOption))
            settings.user = request.option(UserOption).trimmed();
        try {
            davsync::checkAddress(QUrl(settings.server), settings.allowPlainHttp);
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

} // namespace

const QList<Command>& commands()
{
    static const QList<Command> table = {
        { u"--aiuto"_s, {}, u"mostra questo elenco di comandi e opzioni"_s, help },
        { u"--sync"_s, {}, u"sincronizza appuntamenti e contatti con il server CalDAV/CardDAV delle impostazioni"_s,
            synchronize },
    };
    return table;
}

const QList<Option>& options()
{
    static const QList<Option> table = {
        { ServerOption, u"URL"_s, u"con --sync: l'indirizzo del server, conservato nelle impostazioni"_s },
        { UserOption, u"NOME"_s,
            u"con --sync: il nome utente sul server, conservato nelle impostazioni "_s
            u"(la password dal portachiavi o da QUIRVALE_SYNC_PASSWORD)"_s },
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

} // namespace

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
        const QFileInfo info(folder);
        if (!info.isDir()) {
            err << u"Errore: la cartella del programma \"%1\" non esiste.\n"_s.arg(folder);
            return Failed;
        }
        programFolder::setOverride(info.absoluteFilePath());
    }
    const int code = command->run(request, out, err);
    out.flush();
    err.flush();
    return code;
}

} // namespace shell::commandline
