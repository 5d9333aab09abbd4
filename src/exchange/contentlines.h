#pragma once
// The content lines that iCalendar and vCard files share: a name, its
// parameters and a value, folded at 75 octets, with the escapes of text
// values. Written straight from the archive's Windows-1252 bytes; read back
// from a file in UTF-8 or, when it is not valid UTF-8, in Windows-1252.

#include "storage/records.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>

#include <exception>
#include <optional>
#include <utility>

namespace exchange {

// A file that cannot be read: what is wrong and on which line (1-based, the
// physical line of the file). Nothing is imported from it.
class FileDamage : public std::exception {
public:
    FileDamage(int line, QString problem);
    int line() const { return m_line; }
    const QString& problem() const { return m_problem; }
    // "Il file è danneggiato alla riga 12: manca ..."
    QString message() const;
    const char* what() const noexcept override;

private:
    int m_line;
    QString m_problem;
    QByteArray m_what;
};

// The largest file an import reads.
constexpr qint64 MaxImportBytes = 64 * 1024 * 1024;

// Appends content lines to a file being written.
class LineWriter {
public:
    explicit LineWriter(QByteArray& out)
        : m_out(out)
    {
    }
    // "NAME;PARAM=X:" then the value: `value` is escaped as text (backslash,
    // semicolon, comma and line breaks), `raw` goes as it is.
    void begin(QByteArrayView nameAndParams);
    // A field of the archive (Windows-1252 bytes), escaped as text.
    void text(QByteArrayView cp1252);
    void textUtf16(QStringView text);
    void raw(QByteArrayView ascii);
    void end();
    // A whole line: name, then the Windows-1252 text escaped.
    void line(QByteArrayView nameAndParams, QByteArrayView cp1252)
    {
        begin(nameAndParams);
        text(cp1252);
        end();
    }
    void rawLine(QByteArrayView nameAndParams, QByteArrayView ascii)
    {
        begin(nameAndParams);
        raw(ascii);
        end();
    }

private:
    // Makes room for `bytes` more octets of a value, escapes and folds
    // included, and writes them straight into the file's buffer; done()
    // gives the buffer its length back.
    char* room(qsizetype bytes);
    void done(char* end);
    char* put(char* at, const char* bytes, int size);
    QByteArray& m_out;
    int m_column = 0;
};

// One unfolded content line of a file being read.
struct ContentLine {
    int line = 0;                              // where it starts in the file
    QString name;                              // upper case
    QList<std::pair<QString, QString>> params; // names upper case; values as written
    QString value;                             // undecoded
    // The values of a parameter, comma-separated lists and repeats joined,
    // upper case ("TYPE" -> {"HOME", "VOICE"}).
    QStringList paramValues(const QString& name) const;
    bool hasParam(const QString& name) const;
};

// The text of a file as it was probably written: UTF-8 when its bytes are
// valid UTF-8 (a byte order mark left out), Windows-1252 otherwise.
QString decodeFile(const QByteArray& bytes);

// Splits a file into unfolded content lines; a line with no colon, or a name
// that is not a name, is damage on that line. Blank lines are left out.
// With `unreadable`, such lines are left out instead and their numbers
// kept there: one bad line never costs the rest of the file.
QList<ContentLine> contentLines(const QString& text, QList<int>* unreadable = nullptr);

// What a preview says of the lines left out between `from` and `to` (both
// included): "" when none, else " (righe non lette: 12, 13)".
QString unreadableNote(const QList<int>& unreadable, int from, int to);

// The value of a text property with its escapes undone.
QString unescapeText(QStringView value);
// A structured value split at the unescaped separators, each part unescaped.
QStringList splitStructured(QStringView value, QChar separator);

// A text read from a file as the archive keeps it: line breaks as "\n",
// other control characters (which no file carries back) left out.
QString cleanText(const QString& text);

// Every field of a record read from a file through cleanText() and stored
// again, so that what a file cut at a field's capacity keeps is the field's
// text alone (a cut may end in blanks or controls that the text trims).
template <typename Layout>
void cleanRecord(records::Record<Layout>& record)
{
    for (int f = 0; f < records::Record<Layout>::FieldCount; ++f) {
        const auto field = typename Layout::Field(f);
        record.setText(field, cleanText(record.text(field)));
    }
}

// A UID as the program keeps and writes it: without control characters,
// which would break the line it is written on, and trimmed.
QString cleanUid(const QString& uid);

// What an item without a UID is known by: a key made of its text as
// written, the same as long as the text is.
QString keyOfText(QByteArrayView text);

// An item's text (one calendar item or one card) cut around its first
// component of kind `kind` ("VEVENT", "VCARD"), for writing some of its
// properties over while keeping the rest as written: what comes before the
// component and its BEGIN line; its own properties and nested components,
// one unit each, as written (folded lines included); its END line and what
// follows. Line ends become CRLF.
struct ItemUnit {
    QByteArray name; // upper case, a group ("item1.") left out; a nested component: "BEGIN:VALARM"
    QByteArray text;
    int line = 0; // where the unit starts in the item, 1-based, as ContentLine::line counts
};
struct ItemParts {
    bool found = false;
    QByteArray head;
    QList<ItemUnit> units;
    QByteArray tail;
    QByteArray joined() const;
};
// `starts`, when given, are the lines where content lines start (ContentLine::line
// of contentLines()): any other line goes on the one before it, as a
// quoted-printable value's soft break makes it.
ItemParts splitItem(QByteArrayView item, QByteArrayView kind, const QSet<int>* starts = nullptr);
// The lines where the content lines of `text` start; empty when the text
// cannot be read.
QSet<int> contentLineStarts(const QString& text);

// Whether a line opens (true) or closes a component, and which, trimmed and
// in upper case as the readers take it; nothing for any other line.
std::optional<std::pair<bool, QByteArray>> componentMark(QByteArrayView line);

// Calls `each(line, number)` for every physical line of `text`, numbered
// from 1 as ContentLine::line counts, its line end (LF or CRLF) left out.
template <typename Each>
void forEachLine(QByteArrayView text, Each each)
{
    int number = 0;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype next = text.indexOf('\n', at);
        if (next < 0)
            next = text.size();
        QByteArrayView line = text.sliced(at, next - at);
        at = next + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        each(line, ++number);
    }
}

// One field's lines written over an item: the units of the item at the
// lines `drop` go, and the units `put` stand where the first of them stood
// (at the end when none did).
struct UnitReplacement {
    QSet<int> drop;
    QList<ItemUnit> put;
};
// `units` with each replacement made; a unit put by several replacements
// (one line holding several fields) is put once.
QList<ItemUnit> replaceUnits(const QList<ItemUnit>& units, const QList<UnitReplacement>& replacements);

} // namespace exchange
