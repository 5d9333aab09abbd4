#pragma once
// Every file of the system lives in the program folder, the folder of the
// running program file.

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

} // namespace programFolder
