#pragma once
// The spreadsheet file of every export: an HTML table with spreadsheet
// workbook markup, one worksheet, a bold header row and a text cell per
// field, in Windows-1252 on one single line.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include "storage/safefiles.h"

#include <cstring>
#include <memory>

namespace spreadsheet {

struct HeaderCell {
    QString text;
    int width;
};

// The failure message of every export.
QString exportFailureMessage();

// Writes one export file piece by piece, so a grid of any size goes to the
// disk in chunks and is never held twice in memory. The bytes go to a
// temporary file beside the target (safefiles::Replacement), which replaces
// the old file only when everything was written and is on the disk; any
// failure leaves the previous file as it was and no temporary file. A link
// in the target's place is replaced, never written through.
//
// Every data cell is trimmed and written so that the spreadsheet shows the
// stored text exactly: "&", "<" and ">" as character references, the five
// bytes Windows-1252 leaves undefined as numeric references (the file is
// Windows-1252 throughout), and
// LibreOffice's text format next to the workbook's own x:str, so leading
// zeros stay in either program.
class Writer {
public:
    explicit Writer(const QString& path);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Opens the temporary file and writes everything up to the header row.
    // Fails, touching nothing, when a spreadsheet program holds the file
    // open (LibreOffice's lock file ".~lock.NAME#" beside it) or the file or
    // its folder cannot be written.
    bool begin(const QString& worksheet, const QList<HeaderCell>& header);
    void beginRow();
    // A cell of code-page bytes, as the archives hold them.
    void cell(QByteArrayView bytes);
    // A cell of text, such as one typed on the screen.
    void cell(const QString& text);
    void endRow();
    // Ends the file and puts it in place. True only when every byte is on
    // the disk under the file's name.
    bool commit();

private:
    void put(const char* bytes, qsizetype size)
    {
        if (size > m_room) {
            putLong(bytes, size);
            return;
        }
        if (size > 0)
            std::memcpy(m_next, bytes, size_t(size));
        m_next += size;
        m_room -= size;
    }
    void put(QByteArrayView bytes) { put(bytes.data(), bytes.size()); }
    void putLong(const char* bytes, qsizetype size);
    void putEscaped(QByteArrayView bytes);
    void flush();

    QString m_path;
    safefiles::Replacement m_file;
    std::unique_ptr<char[]> m_buffer; // what waits for the file: from m_buffer to m_next
    char* m_next = nullptr;
    qsizetype m_room = 0;
    bool m_ok = false;
};

} // namespace spreadsheet
