// A second copy of the program restoring a backup, for the killed-restore
// test: backup_worker restore FOLDER FILE tells "S" when it starts, then
// restores FILE into FOLDER and exits 0 when done.
#include "backup/backuprules.h"

#include <QDateTime>
#include <QString>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc != 4 || QByteArray(argv[1]) != "restore")
        return 2;
    if (::write(STDOUT_FILENO, "S\n", 2) != 2)
        return 3;
    const backup::Result result = backup::restore(
        QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QDateTime(QDate(2024, 3, 10), QTime(9, 30)));
    if (!result.ok())
        std::fprintf(stderr, "%s\n", result.message.toLocal8Bit().constData());
    return result.ok() ? 0 : 1;
}
