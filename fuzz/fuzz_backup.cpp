// Any bytes as a backup handed to a restore, over a program folder holding a
// small set: the restore either refuses, with the folder exactly as it was
// and nothing of its work left behind, or takes a backup that agrees with
// its manifest, putting the old set aside whole.
#include "fuzzsupport.h"

#include "backup/backuprules.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QMap>

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fuzz::fault("cannot write a scratch file", path);
}

// Every file below `folder` with its bytes; folders as "NAME/".
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(
        folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            files.insert(name + u'/', {});
        } else {
            QFile file(path);
            files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?"));
        }
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString root = fuzz::scratch() + QStringLiteral("/ripristino");
    QDir(root).removeRecursively();
    const QString folder = root + QStringLiteral("/cartella");
    QDir().mkpath(folder + QStringLiteral("/Documenti_Allegati"));
    AppointmentRecord record;
    record.setText(AppointmentField::date, QStringLiteral("05/03/2024"));
    record.setText(AppointmentField::purpose, QStringLiteral("Visita"));
    write(folder + QStringLiteral("/Archivio_Appuntamenti.qzv"), QByteArray(record.data(), AppointmentRecord::Size));
    write(folder + QStringLiteral("/unins000.dll"), "[Accesso]\nValore=434CFACC53A491EB\n");
    write(folder + QStringLiteral("/Documenti_Allegati/lettera.pdf"), "PDF");
    const QString backupFile = root + QStringLiteral("/Quirvale_copia_2024-03-10_09-30-00.zip");
    write(backupFile, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const auto before = contents(folder);

    const backup::Result result = backup::restore(folder, backupFile, QDateTime(QDate(2024, 3, 11), QTime(9, 30)));
    if (!result.ok()) {
        fuzz::expect(
            result.outcome == backup::Result::Outcome::Refused || result.outcome == backup::Result::Outcome::Failed,
            "a restore neither done nor refused", result.message);
        fuzz::expect(contents(folder) == before, "a refused restore changed the folder", result.message);
        return 0;
    }
    // Taken: the old set went aside whole, and no work of the restore stayed.
    const QString aside = result.file;
    fuzz::expect(QFileInfo(aside).isDir(), "a restore without the old set aside", aside);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key().endsWith(u'/'))
            continue;
        const QString there = QDir(aside).filePath(it.key());
        const QString here = QDir(folder).filePath(it.key());
        QFile file(QFileInfo::exists(there) ? there : here);
        fuzz::expect(file.open(QIODevice::ReadOnly) && file.readAll() == it.value(),
            "a file of the old set lost by a restore", it.key());
    }
    for (const QString& name : QDir(folder).entryList(
             { QStringLiteral("Ripristino*") }, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        fuzz::fault("a restore left its work behind", name);
    return 0;
}
