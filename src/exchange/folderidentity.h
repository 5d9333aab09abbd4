#pragma once
// Who a record is outside the program: a UID made of the record's position
// and an identity of the program folder, kept in a small file of the folder,
// so every workstation sharing the folder gives a record the same UID in
// every export. UIDs that came in from other programs are remembered beside
// each archive with the position of the record they became.

#include <QHash>
#include <QString>

#include <optional>

namespace exchange {

enum class Archive { Appointments, Contacts };

// The file of the program folder that holds its identity.
inline const QString IdentityFile = QStringLiteral("Identita_Cartella.txt");

// The identity of the program folder `folder` (with its trailing separator),
// made and written on first use. Two workstations making it at once agree:
// the first file written wins. Throws AccessFailure when the folder cannot
// be written and has no identity yet.
QString folderIdentity(const QString& folder);

// "A42-<identity>@quirvale" for the appointment at position 42,
// "C42-…" for the contact.
QString recordUid(Archive archive, const QString& identity, qint64 position);
// The position of a record of this folder named by `uid`, if it is one.
std::optional<qint64> ownPosition(Archive archive, const QString& identity, const QString& uid);

// UIDs brought in from elsewhere, each with the position of its record: the
// file "<archive>.uid" beside the archive, one "position<TAB>uid" a line.
class ImportedUids {
public:
    // The map of the archive at `archivePath`; an unreadable or missing file is empty.
    static ImportedUids load(const QString& archivePath);
    std::optional<qint64> position(const QString& uid) const;
    void add(const QString& uid, qint64 position) { m_positions.insert(uid, position); }
    // Writes the whole map through a temporary file; throws AccessFailure.
    void save(const QString& archivePath) const;
    static QString pathOf(const QString& archivePath);

private:
    QHash<QString, qint64> m_positions;
};

} // namespace exchange
