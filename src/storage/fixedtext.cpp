#include "storage/fixedtext.h"

#include "storage/texts.h"

#include <array>
#include <cstring>

namespace {

// Unicode of the bytes 0x80 to 0x9F; the undefined ones map to themselves.
constexpr std::array<char16_t, 32> HighBlock = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (HighBlock[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

namespace cp1252 {

QString decode(const char* bytes, qsizetype length)
{
    // Outside 0x80..0x9F the code page is Latin-1, which Qt converts fastest.
    bool latin1 = true;
    for (qsizetype i = 0; i < length && latin1; ++i)
        latin1 = (static_cast<unsigned char>(bytes[i]) & 0xE0) != 0x80;
    if (latin1)
        return QString::fromLatin1(bytes, length);
    QString result(length, Qt::Uninitialized);
    QChar* out = result.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? HighBlock[b - 0x80] : char16_t(b));
    }
    return result;
}

QByteArray encode(const QString& text)
{
    QByteArray result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        int b = byteFor(c.unicode());
        if (b < 0 && c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one replacement for the whole pair
        else if (b < 0) {
            const QString base = QString(c).normalized(QString::NormalizationForm_D);
            if (!base.isEmpty() && base.at(0) != c)
                b = byteFor(base.at(0).unicode());
        }
        result.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return result;
}

char16_t toUnicode(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? HighBlock[byte - 0x80] : char16_t(byte);
}

bool encodeExactly(QStringView text, char* out)
{
    const QChar* chars = text.data();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = chars[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out[i] = static_cast<char>(c);
            continue;
        }
        const int b = byteFor(c);
        if (b < 0)
            return false;
        out[i] = static_cast<char>(b);
    }
    return true;
}

} // namespace cp1252

namespace FixedText {

QByteArrayView trimmedBytes(const char* field, int capacity)
{
    const int length = std::min<int>(static_cast<unsigned char>(field[0]), capacity);
    int begin = 1, end = length + 1;
    while (begin < end && static_cast<unsigned char>(field[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(field[end - 1]) <= 32)
        --end;
    return QByteArrayView(field + begin, end - begin);
}

void store(char* field, int capacity, const QString& text)
{
    const QByteArray bytes = cp1252::encode(texts::trim(text)).left(capacity);
    std::memset(field, 0, size_t(capacity) + 1);
    field[0] = static_cast<char>(bytes.size());
    std::memcpy(field + 1, bytes.constData(), size_t(bytes.size()));
}

void loadInto(const char* field, int capacity, QString& out)
{
    const QByteArrayView kept = trimmedBytes(field, capacity);
    const char* bytes = kept.data();
    const auto length = int(kept.size());
    out.resize(length);
    QChar* chars = out.data();
    for (int i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        chars[i] = QChar(b >= 0x80 && b < 0xA0 ? HighBlock[b - 0x80] : char16_t(b));
    }
}

QString load(const char* field, int capacity)
{
    const QByteArrayView kept = trimmedBytes(field, capacity);
    const char* bytes = kept.data();
    const auto length = int(kept.size());
    if (length == 0)
        return QString();
    return cp1252::decode(bytes, length);
}

} // namespace FixedText
