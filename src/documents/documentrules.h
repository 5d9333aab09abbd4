#pragma once
// The rules of the documents register: the line of its lists, the fields of
// its search, the documents still to complete, its export, and the folder
// of attached files that documents and contacts share.

#include "storage/exportrows.h"
#include "storage/listrows.h"
#include "storage/records.h"

#include <QString>
#include <QStringList>

#include <array>

namespace documents {

// Name 40, "  Data: " production date 10, "  Da: " producer 30, "  A: "
// recipient 30, "  Prot. n. " protocol number: the line of the search and
// of the documents to complete.
QString listLine(const DocumentView& r);

// The fields of the search's criteria, in screen order: name, protocol
// number, producer, production date, recipient, subject, type,
// classification, references, notes.
inline constexpr std::array<DocumentField, 10> SearchFields
    = { DocumentField::documentName, DocumentField::protocolNumber, DocumentField::producer,
          DocumentField::productionDate, DocumentField::recipient, DocumentField::subject, DocumentField::documentType,
          DocumentField::classification, DocumentField::references, DocumentField::notes };

// The documents still to complete (the flag exactly "Sì"), in file order.
// Throws AccessFailure: a list read in part is no list of them.
lists::Rows toCompleteRows(const QString& path);

// The export of the whole register in file order: the position, then 22
// columns, the nine the user may retouch marked.
exports::Table<records::DocumentLayout> exportTable();

} // namespace documents

// The attachments folder: one flat folder in the program folder where the
// chosen files are copied, each under a name a record can hold. Nothing in
// it is ever deleted or renamed by the program.
namespace documents::attachments {

inline const QString FolderName = QStringLiteral("Documenti_Allegati");
// The longest name a record holds.
inline constexpr int NameCapacity = 250;

// The folder's path in the program folder, with its trailing separator.
QString folder();

// The name a chosen file gets in the folder, one the record stores exactly:
// characters the archives' code page lacks, control characters, "/", "\"
// and ":" become "_"; blanks at both ends go; "." and ".." become "_" and
// "__"; a name longer than 250 characters is cut before its extension.
QString storedName(const QString& fileName);

// Whether `source` is the file `name` of `folder` itself, links resolved.
bool isFolderFile(const QString& source, const QString& folder, const QString& name);

// Whether `name` takes a place in `folder` (a file, a link or anything else).
bool isTaken(const QString& folder, const QString& name);

// The slots of each archive that name a file of the folder: the contacts'
// three attachments; the documents' digital copy and three attachments.
inline constexpr std::array<ContactField, 3> ContactSlots
    = { ContactField::attachedFile1, ContactField::attachedFile2, ContactField::attachedFile3 };
inline constexpr std::array<DocumentField, 4> DocumentSlots = { DocumentField::digitalCopyFile,
    DocumentField::attachedFile1, DocumentField::attachedFile2, DocumentField::attachedFile3 };

// The files a card copied into the folder since it last showed what its
// archive holds. A card left without saving takes them away again, and so
// does a save that no longer names one (another file chosen in its place).
class NewCopies {
public:
    void add(const QString& name) { m_names.append(name); }
    // Removes from `folder` each of them that no record names, and forgets
    // them all. One whose records cannot be read stays.
    void dropUnnamed(const QString& folder);
    const QStringList& names() const { return m_names; }

private:
    QStringList m_names;
};

// The record a file is being chosen for: its archive and position (0: a
// card not saved yet), and where its card keeps the copies it makes.
struct Owner {
    QString archive; // programFolder::Contacts or programFolder::Documents
    qint64 position = 0;
    NewCopies* newCopies = nullptr;
};
// Whether a record other than `owner` names `name` in one of its slots.
// Throws AccessFailure.
bool namedByAnother(const QString& name, const Owner& owner);

// `name`, or the first of "name (2).ext", "name (3).ext"... that takes no
// place in `folder`, within the length a record holds.
QString freeName(const QString& folder, const QString& name);

// Copies `source` into `folder` as `name`: the folder is made with its
// missing parents, the bytes go to a temporary file in the folder, which
// then takes the name in one step, replacing a file of that name. False on
// any failure, with the folder as it was.
bool copyIn(const QString& source, const QString& folder, const QString& name);

// Where a stored name opens. A name with a separator, a drive, "." or
// "..", or one that leads out of the folder through a link, opens nothing.
struct Location {
    enum class State { Found, Refused, Missing };
    State state;
    QString path; // the file in the folder, when found
};
Location locate(const QString& folder, const QString& name);

} // namespace documents::attachments
