#include "exchange/folderidentity.h"

#include "storage/archivefile.h"
#include "storage/safefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace exchange {

namespace {

QString readIdentity(const QString& path)
{
    QByteArray bytes;
    if (!safefiles::readSmall(path, 200, bytes))
        return {};
    const QString text = QString::fromLatin1(bytes).trimmed();
    // Only what a UID may carry: letters, digits and hyphens.
    for (const QChar c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-')
            return {};
    return text;
}

QString prefix(Archive archive)
{
    return archive == Archive::Appointments ? u"A"_s : u"C"_s;
}

const QString UidDomain = u"@quirvale"_s;

// Far more than the UIDs of any archive: what is larger is not ours.
constexpr qint64 MaxUidFileBytes = 256 * 1024 * 1024;

} // namespace

QString folderIdentity(const QString& folder)
{
    const QString path = folder + IdentityFile;
    if (QString identity = readIdentity(path); !identity.isEmpty())
        return identity;
    // Written whole under another name, then linked into place: a link never
    // replaces a file, so of two workstations making it at once the first
    // wins and the other reads it.
    const QString identity = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString temporary = safefiles::temporaryName(folder);
    const int fd = safefiles::createNew(temporary);
    const QByteArray line = identity.toLatin1() + '\n';
    const bool written = fd >= 0 && safefiles::writeAll(fd, line.constData(), line.size()) && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!written) {
        QFile::remove(temporary);
        throw AccessFailure(u"%1: cannot write the folder identity"_s.arg(path));
    }
    const int linked = ::link(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData());
    const int saved = errno;
    QFile::remove(temporary);
    if (QString existing = readIdentity(path); !existing.isEmpty())
        return existing;
    throw AccessFailure(u"%1: cannot write the folder identity (%2)"_s.arg(path).arg(linked == 0 ? 0 : saved));
}

QString recordUid(Archive archive, const QString& identity, qint64 position)
{
    return prefix(archive) + QString::number(position) + u'-' + identity + UidDomain;
}

std::optional<qint64> ownPosition(Archive archive, const QString& identity, const QString& uid)
{
    const QString tail = u'-' + identity + UidDomain;
    if (identity.isEmpty() || !uid.startsWith(prefix(archive)) || !uid.endsWith(tail, Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = QStringView(uid).sliced(1, uid.size() - 1 - tail.size());
    bool ok = false;
    const qint64 position = digits.toLongLong(&ok);
    if (!ok || position < 1 || digits.startsWith(u'+') || digits.startsWith(u'0'))
        return std::nullopt;
    return position;
}

QString ImportedUids::pathOf(const QString& archivePath)
{
    QString path = archivePath;
    if (path.endsWith(u".qzv"_s))
        path.chop(4);
    return path + u".uid"_s;
}

ImportedUids ImportedUids::load(const QString& archivePath)
{
    ImportedUids map;
    QByteArray bytes;
    if (!safefiles::readSmall(pathOf(archivePath), MaxUidFileBytes, bytes))
        return map;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const qint64 position = line.first(tab).toLongLong(&ok);
        if (ok && position > 0)
            map.m_positions.insert(QString::fromUtf8(line.sliced(tab + 1)), position);
    }
    return map;
}

std::optional<qint64> ImportedUids::position(const QString& uid) const
{
    const auto found = m_positions.constFind(uid);
    if (found == m_positions.cend())
        return std::nullopt;
    return *found;
}

void ImportedUids::save(const QString& archivePath) const
{
    QByteArray text;
    for (auto it = m_positions.cbegin(); it != m_positions.cend(); ++it) {
        QString uid = it.key();
        uid.remove(u'\n').remove(u'\r');
        text += QByteArray::number(it.value()) + '\t' + uid.toUtf8() + '\n';
    }
    safefiles::Replacement file(pathOf(archivePath));
    if (!file.open() || !safefiles::writeAll(file.handle(), text.constData(), text.size()) || !file.commit())
        throw AccessFailure(u"%1: %2"_s.arg(file.target(), QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace exchange
