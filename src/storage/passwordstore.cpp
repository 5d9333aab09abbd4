#include "storage/passwordstore.h"

#include "storage/programfolder.h"
#include "storage/texts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

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
    return programFolder::file(u"unins000.dll"_s);
}

std::optional<QString> readStored()
{
    // QSettings parses a file again only when its size or time has changed,
    // and tells of a damaged file only at the parse: the damage is remembered
    // here so that every reading of the same damaged store fails alike.
    static QString damaged;
    const QFileInfo info(storePath());
    const QString identity = info.exists()
        ? u"%1 %2 %3"_s.arg(info.absoluteFilePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch())
        : QString();
    if (!identity.isEmpty() && identity == damaged)
        return std::nullopt;
    QSettings store(storePath(), QSettings::IniFormat);
    if (store.status() != QSettings::NoError) {
        damaged = identity;
        return std::nullopt;
    }
    const auto plain = unscramble(store.value(u"Accesso/Valore"_s).toString());
    if (!plain)
        return std::nullopt;
    return texts::trim(*plain);
}

bool writeStored(const QString& normalised)
{
    // QSettings keeps a change it could not write in a cache of its own and
    // writes it at the next reading of the same file, so a failed change
    // would take effect later after all (or make every reading fail while
    // the folder stays unwritable). The change is therefore made on a copy
    // of the store under a name used once, which replaces the store in one
    // step only when it has been written whole.
    static int written = 0;
    const QString path = storePath();
    const QString copy = u"%1.%2-%3"_s.arg(path).arg(QCoreApplication::applicationPid()).arg(++written);
    QFile::remove(copy);
    if (QFile::exists(path) && !QFile::copy(path, copy)) {
        QFile::remove(copy);
        return false;
    }
    bool ok = false;
    {
        QSettings store(copy, QSettings::IniFormat);
        store.setValue(u"Accesso/Valore"_s, texts::trim(scramble(normalised)));
        store.sync();
        ok = store.status() == QSettings::NoError;
    }
    ok = ok && std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok)
        QFile::remove(copy);
    return ok;
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
