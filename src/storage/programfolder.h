#pragma once
// Every file of the system lives in the program folder, the folder of the
// running program file. table() lists them all, each with its role: the
// backup's set, the restore's swap, the archive check and the list of files
// in the README follow from it, so that a new file of the folder is one more
// row there and is backed up by construction.

#include <QList>
#include <QString>

namespace programFolder {

// The folder with its trailing separator, taken anew at every call.
QString path();
// The full path of a file of the program folder.
QString file(const QString& name);
// Tests point the program at a folder of their own.
void setOverride(const QString& folder);

inline const QString Appointments = QStringLiteral("Archivio_Appuntamenti.qzv");
inline const QString Contacts = QStringLiteral("Contatti.qzv");
inline const QString Documents = QStringLiteral("Archivio_Documenti.qzv");
inline const QString Identity = QStringLiteral("Identita_Cartella.txt");
inline const QString Password = QStringLiteral("unins000.dll");
inline const QString Attachments = QStringLiteral("Documenti_Allegati");
inline const QString SyncState = QStringLiteral("Sincronizzazione.db");
inline const QString SyncSettings = QStringLiteral("Sincronizzazione.ini");
inline const QString SyncLock = QStringLiteral("Sincronizzazione.lock");
inline const QString RestoreLock = QStringLiteral("Ripristino.lock");
inline const QString ReminderSettings = QStringLiteral("Impostazioni.ini");
inline const QString ReminderLedger = QStringLiteral("Promemoria_Inviati.txt");

// The record-to-item map beside an archive: "Contatti.qzv" -> "Contatti.elementi".
QString itemMapOf(const QString& archive);

enum class Role {
    Archive,     // records of one size end to end
    ItemMap,     // who an archive's records are outside the program; goes with its archive
    Identity,    // what makes the folder's UIDs its own; never changes
    State,       // what the exchanges and the reminders left behind; goes with the archives
    Settings,    // the folder's settings
    Password,    // the password store
    Attachments, // the folder of the files attached to the cards
    Program,     // the program, its manual and its sound, put in place by the installation
    Export,      // rewritten at every export
    Transient,   // present only while something goes on, or after it was cut short
};

struct Entry {
    QString name; // a file or folder name; "*" stands for any text
    Role role;
    int recordSize = 0; // archives: the size of a record
    QString meaning;    // what it holds, in Italian, for the people who use the program
    // The lock file whose holder alone opens it, for a file that is not an
    // archive (those have their own locks); empty when none.
    QString lock = {};
};

// Every file of the folder, in the order a backup holds them.
const QList<Entry>& table();

// The roles a backup holds: the data, never the program, the exports or
// what goes on now.
bool backedUp(Role role);
// The roles that a restore of a backup without them leaves in place: the
// folder stays the same folder, with the same settings.
bool keptWithoutBackup(Role role);
// The role of a name of the table (not a pattern); Transient for any other.
Role roleOf(const QString& name);

} // namespace programFolder
