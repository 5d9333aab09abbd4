#pragma once
// Backup and restore of a program folder's data: the three archives, the
// attachments folder, the password store and the state files kept beside
// the archives.
//
// A backup is one ZIP file. ZIP rather than tar.gz: any office computer
// opens it with its file manager to take out a single file, its central
// directory lists the members without reading them, and each member carries
// its own CRC. The archives and the program's files are deflated at the
// fastest level (fixed-width records are mostly blanks: a tenth of the size
// or less); attachments already compressed (PDF, pictures, office
// documents) are stored as they are. The last member, Contenuto.txt,
// is the manifest: a first line naming the format, then one line per member
// "NAME<TAB>SIZE<TAB>SHA-256 in hex", NAME relative to the program folder
// with "/" between folders.
//
// A restore checks the whole backup against its manifest in a folder of its
// own inside the program folder before it touches anything, then swaps the
// members in by renames under a marker file; a swap cut short is finished by
// the next start or restore, so the folder holds the old set or the new one,
// never a mix.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace backup {

// What a long piece of work reports and how it is stopped. Both may be empty.
struct Progress {
    std::function<void(qint64 done, qint64 total)> step; // bytes
    std::function<bool()> cancelled;
    // A question the work asks the user before it goes on (Italian); without
    // it the answer is no.
    std::function<bool(const QString& question)> confirm;
};

// One member of the data set of a program folder.
struct Member {
    // An archive's map goes in with its archive, read under the same lock.
    enum class Kind { Archive, ArchiveMap, File, Folder };
    QString name;
    Kind kind;
    int recordSize = 0;             // archives only
    bool keptWithoutBackup = false; // a restore of a backup without it leaves it in place
    QString lock = {};              // the lock file whose holder alone reads it
};
// The members, in the order a backup holds them: the rows of the program
// folder's table that a backup holds (programFolder::table()).
const QList<Member>& members();

inline const QString ManifestName = QStringLiteral("Contenuto.txt");
inline const QString ManifestHeader = QStringLiteral("Quirvale copia di sicurezza 1");
constexpr int DefaultKeep = 10;

// "Quirvale_copia_2024-03-10_09-30-00.zip".
QString fileName(const QDateTime& moment);
// Whether `name` is the name of a backup (of any moment).
bool isBackupName(const QString& name);

struct Result {
    enum class Outcome {
        Done,
        Cancelled, // by the user: nothing left behind
        Failed,    // the message says why; nothing left behind
        Refused,   // a restore not begun: the backup is damaged or an archive is busy
    };
    Outcome outcome = Outcome::Done;
    QString message; // Italian, for the user
    QString file;    // the backup written, or the folder the old set went to
    qint64 files = 0;
    qint64 bytes = 0;
    QStringList removed; // older backups removed to keep the last N
    bool ok() const { return outcome == Outcome::Done; }
};

// Writes a backup of `programFolder` into `targetFolder` under a temporary
// name, renames it when whole and then removes the oldest backups there
// beyond `keep`. Each archive is read under its lock, whole records only.
Result makeBackup(const QString& programFolder, const QString& targetFolder, int keep, const QDateTime& now,
    const Progress& progress = {});

// Restores `backupFile` into `programFolder`: verified first, refused while
// another copy of the program holds an archive for writing; the current
// members go into "Prima_del_ripristino_<moment>" in the program folder.
Result restore(
    const QString& programFolder, const QString& backupFile, const QDateTime& now, const Progress& progress = {});

// Finishes a restore that a cut left half way through its swap, and removes
// what a restore cut short before its swap left behind. Run at every start
// and before every restore. True when it found anything to finish or clear.
// Nothing is done while a restore goes on (in this program or another one
// of the folder): that one finishes its own work.
bool finishPendingRestore(const QString& programFolder);

// Whether a restore goes on in the folder now, in any program: the others
// then leave its files alone and start no restore of their own.
bool restoreRunning(const QString& programFolder);
inline const QString RestoreRunningMessage
    = QStringLiteral("È in corso un ripristino della cartella del programma da un'altra postazione o finestra: "
                     "riprovare quando sarà terminato.");

// The marker file of a swap under way, in the program folder.
inline const QString MarkerName = QStringLiteral("Ripristino_in_corso.txt");

} // namespace backup
