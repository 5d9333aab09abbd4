#include "storage/passwordstore.h"

#include "storage/programfolder.h"
#include "storage/texts.h"

#include "storage/safefiles.h"

#include <cerrno>

using namespace Qt::Literals::StringLiterals;

namespace password {
namespace {

constexpr quint16 StartKey = 4829;
constexpr quint16 Multiplier = 30581;
constexpr quint16 Addend = 31829;

quint16 nextKey(quint16 key, quint8 scrambled)
{
    return quint16((quint32(scrambled) + key) * Multiplier + Addend);
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QString scramble(const QString& plain)
{
    QString result;
    result.reserve(plain.size() * 2);
    quint16 key = StartKey;
    for (QChar c : plain) {
        const quint8 o = quint8(c.unicode() & 0xFF) ^ quint8(key >> 8);
        result += u"%1"_s.arg(o, 2, 16, QChar(u'0')).toUpper();
        key = nextKey(key, o);
    }
    return result;
}

std::optional<QString> unscramble(const QString& hex)
{
    QString result;
    quint16 key = StartKey;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int high = hexValue(hex[i]), low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const quint8 b = quint8(high * 16 + low);
        result += QChar(char16_t(b ^ quint8(key >> 8)));
        key = nextKey(key, b);
    }
    return result;
}

QString normalise(const QString& typed)
{
    QString folded = typed;
    for (QChar& c : folded) {
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return texts::trim(folded);
}

bool storable(const QString& normalised)
{
    if (normalised.size() > 255)
        return false;
    for (QChar c : normalised) {
        if (c.unicode() > 255)
            return false;
    }
    return true;
}

QString storePath()
{
    return programFolder::file(programFolder::Password);
}

namespace {

// The largest store read: one section with one key of 255 characters
// takes a few hundred bytes; anything far larger is no store.
constexpr qint64 StoreLimit = 64 * 1024;

// The value of "Valore" in section "Accesso" of the INI text `bytes`, as
// the text it is and nothing else: names are matched without regard to
// case and blanks, the value loses the blanks around it and one pair of
// double quotes around it, and the first such key counts. nullopt when the
// text is no INI file (a section never closed, a NUL byte); a missing
// section or key is the empty text.
std::optional<QString> valueOf(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return std::nullopt;
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    bool inSection = false;
    for (QByteArrayView line : text.toByteArray().split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close < 0)
                return std::nullopt;
            inSection = line.sliced(1, close - 1).trimmed().compare("Accesso", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inSection || equals < 0 || line.first(equals).trimmed().compare("Valore", Qt::CaseInsensitive) != 0)
            continue;
        QByteArrayView value = line.sliced(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.sliced(1, value.size() - 2);
        return QString::fromLatin1(value);
    }
    return QString();
}

} // namespace

std::optional<QString> readStored()
{
    // Read without waiting (a FIFO in the store's place is no store) and
    // as plain text: nothing in the file is ever decoded into anything else.
    QByteArray bytes;
    if (!safefiles::readSmall(storePath(), StoreLimit, bytes)) {
        if (errno == ENOENT)
            return QString();
        return std::nullopt;
    }
    const auto value = valueOf(bytes);
    if (!value)
        return std::nullopt;
    const auto plain = unscramble(*value);
    if (!plain)
        return std::nullopt;
    return texts::trim(*plain);
}

bool writeStored(const QString& normalised)
{
    // The store is written whole under a name of its own beside it, which
    // replaces the store in one step only when it is on the disk: a failure
    // leaves the store as it was, and nothing else is left behind.
    const QByteArray text = "[Accesso]\nValore=" + texts::trim(scramble(normalised)).toLatin1() + "\n";
    safefiles::Replacement store(storePath());
    return store.open() && safefiles::writeAll(store.handle(), text.constData(), text.size()) && store.commit();
}

Verdict check(const QString& typed)
{
    const auto stored = readStored();
    if (!stored)
        return Verdict::Unreadable;
    const QString normalised = normalise(typed);
    return !normalised.isEmpty() && normalised == *stored ? Verdict::Accepted : Verdict::Wrong;
}

} // namespace password
