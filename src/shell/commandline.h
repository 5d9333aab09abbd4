#pragma once
// The program's commands without screens, for scheduled jobs and scripts:
// `Quirvale --COMMAND [VALUE] [--program-folder DIR] [OPTIONS]`. Each
// command calls the same code as its screen, writes its messages in Italian
// to the standard error and ends with an exit code.

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QTextStream;

namespace shell::commandline {

enum ExitCode {
    Done = 0,    // everything went through
    Failed = 1,  // the action failed; the message says why
    Usage = 2,   // the arguments are wrong
    Damaged = 3, // the archive check found damage; the report says where
};

// What the user asked for, read from the arguments.
struct Request {
    QString command;                 // "--backup"
    QString value;                   // its DIR or FILE; empty for a command without one
    QHash<QString, QString> options; // further options with their values ("" for a flag)
    bool has(const QString& option) const { return options.contains(option); }
    QString option(const QString& name) const { return options.value(name); }
};

struct Command {
    QString name;        // "--backup"
    QString valueName;   // "DIR", "FILE"; empty when the command takes no value
    QString description; // one Italian line for the usage text
    std::function<int(const Request&, QTextStream& out, QTextStream& err)> run;
};

struct Option {
    QString name;      // "--server"
    QString valueName; // empty for a flag
    QString description;
};

// The commands and options the program knows, in the order of the usage text.
const QList<Command>& commands();
const QList<Option>& options();

// Whether the arguments name a command, so that the program runs it
// without screens.
bool wantsCommand(const QStringList& arguments);

// Runs the command the arguments name (arguments[0] is the program) with the
// program folder of `--program-folder` when given. Without a command it
// returns nothing and the program starts its screens.
std::optional<int> run(const QStringList& arguments);

// For the program started with its screens: takes `--program-folder DIR`
// from the arguments, the only option the window has. Returns the Italian
// message of what is wrong (a folder that does not exist, an argument it
// does not know), empty when the window may open.
QString takeWindowArguments(const QStringList& arguments);

} // namespace shell::commandline
