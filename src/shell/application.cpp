#include "shell/application.h"

#include "backup/backuprules.h"
#include "documents/documentrules.h"
#include "shell/commandline.h"
#include "shell/passwordgate.h"
#include "shell/screens.h"
#include "storage/programfolder.h"
#include "storage/safefiles.h"
#include "sync/recordcodecs.h"
#include "ui/services.h"
#include "ui/style.h"

#include <QApplication>
#include <QCoreApplication>

namespace shell {

void cleanLeftovers()
{
    safefiles::cleanLeftovers(programFolder::path());
    safefiles::cleanLeftovers(documents::attachments::folder());
}

int run(int argc, char* argv[])
{
    safefiles::prepareProcess();
    {
        // A command of the command line runs without screens and ends the run.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        if (commandline::wantsCommand(arguments)) {
            QCoreApplication app(argc, argv);
            return *commandline::run(QCoreApplication::arguments());
        }
    }
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    if (const QString problem = commandline::takeWindowArguments(QApplication::arguments()); !problem.isEmpty()) {
        ui::messages::error(problem);
        return commandline::Failed;
    }
    // While a restore goes on the folder's files are its own.
    if (backup::restoreRunning(programFolder::path())) {
        ui::messages::error(backup::RestoreRunningMessage);
        return commandline::Failed;
    }
    // A restore cut short (the power gone, the program killed) is finished
    // before any screen reads an archive.
    backup::finishPendingRestore(programFolder::path());
    cleanLeftovers();
    davsync::installRecordCodecs();
    Screens screens;
    screens.gate()->show();
    return QApplication::exec();
}

} // namespace shell
