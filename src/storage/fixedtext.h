#pragma once
// Fixed-width text fields of the archives: one length byte followed by the
// capacity's worth of 8-bit characters in the Windows-1252 code page.

#include <QByteArray>
#include <QString>

namespace cp1252 {

// Every byte has a character: the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) come back as the C1 control of the same code,
// so they survive a load and a store unchanged.
QString decode(const char* bytes, qsizetype length);

// A character the code page lacks is replaced by its base letter when it has
// one in the code page (ő becomes o, Ł stays ?), otherwise by '?'. Characters
// outside the Basic Multilingual Plane count as one '?'.
QByteArray encode(const QString& text);

// The character of one byte, the undefined ones as above.
char16_t toUnicode(unsigned char byte);

// Every character of `text` into its own byte at `out` (room for text.size()
// bytes), with no replacement: false, leaving `out` partly written, as soon as
// a character lacks a byte. Then decode gives `text` back exactly.
bool encodeExactly(QStringView text, char* out);

} // namespace cp1252

namespace FixedText {

// The flag field holds exactly one of these two texts.
inline const QString Yes = QStringLiteral(u"Sì");
inline const QString No = QStringLiteral(u"No");

// Writes `text` into the capacity + 1 bytes at `field`: trimmed at both ends,
// converted to the code page, cut to `capacity` characters. The bytes after
// the kept characters are set to zero.
void store(char* field, int capacity, const QString& text);

// The kept characters of the field at `field` as bytes, blanks and controls
// at both ends left out. Trimming the bytes is the same as trimming the text:
// the code page keeps the codes up to 32 where they are and puts nothing else there.
QByteArrayView trimmedBytes(const char* field, int capacity);

// Reads the field at `field`: the characters its length byte names (a length
// larger than the capacity counts as the capacity), converted and trimmed.
QString load(const char* field, int capacity);
// The same into `out`, reusing its storage: what a pass over a whole archive
// uses to decode record after record without allocating.
void loadInto(const char* field, int capacity, QString& out);

} // namespace FixedText
