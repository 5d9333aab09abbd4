// Any cell text through the export file writer, once as the bytes of an
// archive field and once as text typed on the screen: the file is all
// Windows-1252 (no byte the code page leaves undefined), every "<", ">" and
// "&" of a cell appears only as its character reference, and undoing the
// references gives back the cell, trimmed.
#include "fuzzsupport.h"

#include "storage/fixedtext.h"
#include "storage/spreadsheet.h"
#include "storage/texts.h"

#include <QFile>

namespace {

constexpr QByteArrayView CellOpen = "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">";
constexpr QByteArrayView CellClose = "</td>";

bool definedInCodePage(unsigned char b) { return b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D; }

QByteArray trimmed(QByteArray bytes)
{
    qsizetype begin = 0, end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32)
        --end;
    return bytes.mid(begin, end - begin);
}

// The cell's text as a reader of the file gets it: every reference replaced
// by its character, in Windows-1252 bytes.
QByteArray readCell(QByteArrayView written)
{
    QByteArray out;
    for (qsizetype i = 0; i < written.size();) {
        const char c = written[i];
        fuzz::expect(c != '<' && c != '>', "a bare < or > in a cell", QString::fromLatin1(written));
        if (c != '&') {
            out += c;
            ++i;
            continue;
        }
        const qsizetype end = written.indexOf(';', i);
        fuzz::expect(end > i, "a bare & in a cell", QString::fromLatin1(written));
        const QByteArrayView name = written.sliced(i + 1, end - i - 1);
        if (name == "amp")
            out += '&';
        else if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name.startsWith("#")) {
            bool ok = false;
            const int code = name.sliced(1).toInt(&ok);
            const QByteArray b = cp1252::encode(QString(QChar(char16_t(code))));
            fuzz::expect(ok && code > 0 && code < 0x10000, "a numeric reference out of range");
            out += code < 256 && !definedInCodePage(static_cast<unsigned char>(code)) ? char(code) : b.at(0);
        } else
            fuzz::fault("an unknown reference in a cell", QString::fromLatin1(name));
        i = end + 1;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString typed = QString::fromUtf8(bytes);
    const QString path = fuzz::scratch() + QStringLiteral("/celle.xls");
    {
        spreadsheet::Writer writer(path);
        const QList<spreadsheet::HeaderCell> header = {{QStringLiteral("Campo"), 100}, {QStringLiteral("Testo"), 100}};
        fuzz::expect(writer.begin(QStringLiteral("Foglio"), header), "the file could not be begun");
        writer.beginRow();
        writer.cell(QByteArrayView(bytes));
        writer.cell(typed);
        writer.endRow();
        fuzz::expect(writer.commit(), "the file could not be written");
    }
    QFile file(path);
    fuzz::expect(file.open(QIODevice::ReadOnly), "the file is missing");
    const QByteArray content = file.readAll();
    for (char c : content)
        fuzz::expect(definedInCodePage(static_cast<unsigned char>(c)), "a byte Windows-1252 leaves undefined",
                     QString::number(static_cast<unsigned char>(c), 16));

    const QByteArray expected[2] = {trimmed(bytes), cp1252::encode(texts::trim(typed))};
    qsizetype from = 0;
    for (const QByteArray& want : expected) {
        const qsizetype open = content.indexOf(CellOpen, from);
        fuzz::expect(open >= 0, "a cell is missing");
        const qsizetype begin = open + CellOpen.size();
        const qsizetype close = content.indexOf(CellClose, begin);
        fuzz::expect(close >= 0, "a cell is not closed");
        fuzz::expect(readCell(QByteArrayView(content).sliced(begin, close - begin)) == want,
                     "the cell does not read back", QString::fromLatin1(want));
        from = close;
    }
    return 0;
}
