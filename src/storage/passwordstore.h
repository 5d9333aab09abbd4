#pragma once
// The password store: the INI file unins000.dll in the program folder, section
// "Accesso", key "Valore", holding the scrambled password as hexadecimal text.

#include <QString>

#include <optional>

namespace password {

// Reversible scramble of the stored password (an obfuscation, not
// encryption): each character's low byte XOR the high byte of a running key.
QString scramble(const QString& plain);
// nullopt when a pair of digits is not hexadecimal; an odd last digit is ignored.
std::optional<QString> unscramble(const QString& hex);

// Letters a to z upper-cased, blanks at both ends removed: the form in which
// passwords are stored and compared.
QString normalise(const QString& typed);

// At most 255 characters, each within Latin-1: what the store can keep.
bool storable(const QString& normalised);

QString storePath();

// nullopt when the store cannot be read or unscrambled; a missing store,
// section or key is the empty password.
std::optional<QString> readStored();
// Writes the scramble of `normalised`; false when the file could not be
// written, and the store then stays as it was, also for later readings.
bool writeStored(const QString& normalised);

// The gate's check of a typed password against the store: accepted only
// when the store could be read and the typed password, normalised, is not
// empty and equals the stored one.
enum class Verdict { Accepted, Wrong, Unreadable };
Verdict check(const QString& typed);

} // namespace password
