// A second program on the same folder for the sync tests: one sync of
// FOLDER with the server, printing "SENT RECEIVED".
// sync_worker FOLDER SERVER CALENDAR ADDRESSBOOK
#include "storage/programfolder.h"
#include "sync/standincodec.h"
#include "sync/syncrun.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5)
        return 2;
    programFolder::setOverride(arguments[1]);
    testsupport::installStandInCodecs();
    davsync::Settings settings;
    settings.server = arguments[2];
    settings.user = QStringLiteral("anna");
    settings.calendar = arguments[3];
    settings.addressBook = arguments[4];
    QTextStream out(stdout);
    try {
        const davsync::Summary summary = davsync::synchronize(settings, davsync::passwordFromEnvironment(), 60000);
        out << summary.sent << ' ' << summary.received << '\n';
        return 0;
    } catch (const std::exception& failure) {
        QTextStream(stderr) << davsync::failureMessage(failure) << '\n';
        return 1;
    }
}
