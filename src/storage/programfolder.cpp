#include "storage/programfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString overrideFolder;
}

namespace programFolder {

QString path()
{
    QString folder = overrideFolder.isEmpty() ? QCoreApplication::applicationDirPath() : overrideFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString file(const QString& name)
{
    return path() + name;
}

void setOverride(const QString& folder)
{
    overrideFolder = folder;
}

} // namespace programFolder
