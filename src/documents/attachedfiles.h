#pragma once
// The slots of attached files, as the document card's digital copy and each
// row of the attach screen work them: choose a file and copy it into the
// attachments folder, open a slot's file, and an open command that follows
// its slot's name.

#include "documents/documentrules.h"

#include <QString>

#include <optional>

class QAbstractButton;
class QLineEdit;
class QWidget;

namespace documents {

// Copy-in: the file dialog, then the copy of the chosen file into the
// attachments folder under the name a record can hold. Returns the name the
// slot takes, or nothing when it keeps what it had (the dialog cancelled,
// the copy failed, with a warning). A file of that name that another record
// names is never replaced nor shared: the copy takes a free name
// ("scansione (2).txt"), and the user is told. A file of that name that no
// other record names is replaced only when the user says so; when not, the
// slot names the file that is there. The folder's own file is taken as it is.
std::optional<QString> chooseAttachment(QWidget* parent, const attachments::Owner& owner);

// Hands the slot's file to the desktop. A missing file is told; a name
// that leads out of the folder opens nothing.
void openAttachment(const QString& name);

// Copy-in of `slot` of the record `owner`: its text becomes the new name, if any.
void chooseInto(QWidget* parent, QLineEdit* slot, const attachments::Owner& owner);

// `open` is enabled exactly while `slot` holds a name.
void followSlot(QLineEdit* slot, QAbstractButton* open);

} // namespace documents
