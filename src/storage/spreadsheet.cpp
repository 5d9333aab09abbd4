#include "storage/spreadsheet.h"

#include "storage/fixedtext.h"
#include "storage/texts.h"

#include <QFileInfo>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace spreadsheet {

namespace {

// The file is written in chunks of up to this much.
constexpr qsizetype Chunk = 1 << 20;

constexpr QByteArrayView Head = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
                                "xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
                                "xmlns=\"http://www.w3.org/TR/REC-html40\">"
                                "<head>"
                                "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
                                "<!--[if gte mso 9]><xml>"
                                "<x:ExcelWorkbook>"
                                "<x:ExcelWorksheets>"
                                "<x:ExcelWorksheet>"
                                "<x:Name>";
constexpr QByteArrayView AfterName = "</x:Name>"
                                     "<x:WorksheetOptions>"
                                     "<x:Selected/>"
                                     "<x:Panes>"
                                     "<x:Pane>"
                                     "<x:Number>1</x:Number>"
                                     "<x:ActiveRow>3</x:ActiveRow>"
                                     "</x:Pane>"
                                     "</x:Panes>"
                                     "<x:ProtectContents>False</x:ProtectContents>"
                                     "<x:ProtectObjects>False</x:ProtectObjects>"
                                     "<x:ProtectScenarios>False</x:ProtectScenarios>"
                                     "</x:WorksheetOptions>"
                                     "</x:ExcelWorksheet>"
                                     "</x:ExcelWorksheets>"
                                     "</x:ExcelWorkbook>"
                                     "</xml><![endif]-->"
                                     "</head>"
                                     "<body>"
                                     "<table x:str>";
constexpr QByteArrayView Tail = "</table></body></html>";
constexpr QByteArrayView HeaderCellOpen = "<td style=\"text-align: left; font-weight: bold;\" width=";
constexpr QByteArrayView DataCellOpen = "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">";
constexpr QByteArrayView CellClose = "</td>";

// The bytes without the blanks and control characters at both ends; the
// code page keeps the codes up to 32 where text has them.
QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0, end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32)
        --end;
    return bytes.sliced(begin, end - begin);
}

// The reference a byte of a cell is written as, or null when it is written
// as it is: "&", "<" and ">", and the five bytes Windows-1252 leaves
// undefined, which the program shows as the control characters of the same
// code and a reader of the file gets back from their numeric references.
const char* referenceFor(unsigned char b)
{
    switch (b) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case 0x81:
        return "&#129;";
    case 0x8D:
        return "&#141;";
    case 0x8F:
        return "&#143;";
    case 0x90:
        return "&#144;";
    case 0x9D:
        return "&#157;";
    default:
        return nullptr;
    }
}

// Whether the bytes hold one that referenceFor() replaces, looked for eight
// bytes at a time; the undefined bytes only in words with a high byte.
bool needsReferences(const char* p, const char* end)
{
    constexpr quint64 Ones = 0x0101010101010101ULL, Highs = 0x8080808080808080ULL;
    const auto holds = [](quint64 word, unsigned char c) {
        const quint64 x = word ^ (Ones * c);
        return (x - Ones) & ~x & Highs; // non-zero when a byte of x is zero
    };
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (holds(word, '&') | holds(word, '<') | holds(word, '>'))
            return true;
        if ((word & Highs)
            && (holds(word, 0x81) | holds(word, 0x8D) | holds(word, 0x8F) | holds(word, 0x90) | holds(word, 0x9D)))
            return true;
    }
    for (; p != end; ++p) {
        if (referenceFor(static_cast<unsigned char>(*p)))
            return true;
    }
    return false;
}

} // namespace

QString exportFailureMessage()
{
    return u"Attenzione: il sistema non permette di esportare i dati.\n\r\n\r"
           u"Accertarsi che il file di Excel non sia già aperto."_s;
}

Writer::Writer(const QString& path)
    : m_path(path)
    , m_file(path)
{
}

Writer::~Writer() = default;

bool Writer::begin(const QString& worksheet, const QList<HeaderCell>& header)
{
    const QFileInfo target(m_path);
    if (QFileInfo::exists(target.absolutePath() + u"/.~lock."_s + target.fileName() + u"#"_s))
        return false;
    if (target.exists() && !target.isWritable())
        return false;
    if (!m_file.open())
        return false;
    m_ok = true;
    m_buffer = std::make_unique<char[]>(Chunk);
    m_next = m_buffer.get();
    m_room = Chunk;
    put(Head);
    put(cp1252::encode(worksheet));
    put(AfterName);
    put("<tr>");
    for (const HeaderCell& cell : header) {
        put(HeaderCellOpen);
        put(QByteArray::number(cell.width));
        put(">");
        put(cp1252::encode(cell.text));
        put(CellClose);
    }
    put("</tr>");
    return true;
}

void Writer::putLong(const char* bytes, qsizetype size)
{
    flush();
    if (size <= m_room)
        put(bytes, size);
    else if (m_ok && !safefiles::writeAll(m_file.handle(), bytes, size))
        m_ok = false;
}

void Writer::putEscaped(QByteArrayView bytes)
{
    const char* run = bytes.data();
    const char* const end = run + bytes.size();
    // Most cells have nothing to replace: one look over them, then one copy.
    if (!needsReferences(run, end)) {
        put(run, end - run);
        return;
    }
    for (const char* p = run; p != end; ++p) {
        const char* reference = referenceFor(static_cast<unsigned char>(*p));
        if (!reference)
            continue;
        put(run, p - run);
        put(QByteArrayView(reference));
        run = p + 1;
    }
    put(run, end - run);
}

void Writer::beginRow()
{
    put("<tr>");
}

void Writer::cell(QByteArrayView bytes)
{
    put(DataCellOpen);
    putEscaped(trimmed(bytes));
    put(CellClose);
}

void Writer::cell(const QString& text)
{
    cell(QByteArrayView(cp1252::encode(texts::trim(text))));
}

void Writer::endRow()
{
    put("</tr>");
}

void Writer::flush()
{
    if (!m_buffer)
        return; // never begun
    const qsizetype used = m_next - m_buffer.get();
    if (m_ok && used > 0 && !safefiles::writeAll(m_file.handle(), m_buffer.get(), used))
        m_ok = false;
    m_next = m_buffer.get();
    m_room = Chunk;
}

bool Writer::commit()
{
    if (m_file.handle() < 0)
        return false;
    put(Tail);
    flush();
    // The data reaches the disk before the temporary file takes the name,
    // and the new name too.
    if (!m_ok) {
        m_file.cancel();
        return false;
    }
    return m_file.commit();
}

} // namespace spreadsheet
