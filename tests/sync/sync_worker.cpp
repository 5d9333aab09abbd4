// A second program on the same folder for the sync tests: one sync of
// FOLDER with the server, printing "SENT RECEIVED"; with ROUNDS, that many
// rounds of a new appointment of its own and a sync, printing the totals.
// With QUIRVALE_TEST_END_AFTER_PUTS=N in its environment the program ends at
// once, as a killed one, as soon as the server has taken its N-th item.
// sync_worker FOLDER SERVER CALENDAR ADDRESSBOOK [ROUNDS]
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "sync/network.h"
#include "sync/standincodec.h"
#include "sync/syncrun.h"
#include "sync/syncsupport.h"

#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5 && arguments.size() != 6)
        return 2;
    const int rounds = arguments.size() == 6 ? arguments[5].toInt() : 0;
    programFolder::setOverride(arguments[1]);
    testsupport::installStandInCodecs();
    if (const int endAfter = qEnvironmentVariableIntValue("QUIRVALE_TEST_END_AFTER_PUTS"); endAfter > 0) {
        davsync::network::setHandler([endAfter, puts = 0](const davsync::network::Request& request) mutable {
            davsync::network::Response response = davsync::network::sendDirect(request);
            if (request.method == "PUT" && response.status / 100 == 2 && ++puts == endAfter)
                _exit(9);
            return response;
        });
    }
    davsync::Settings settings;
    settings.server = arguments[2];
    settings.user = QStringLiteral("anna");
    settings.calendar = arguments[3];
    settings.addressBook = arguments[4];
    QTextStream out(stdout);
    try {
        if (rounds == 0) {
            const davsync::Summary summary = davsync::synchronize(settings, davsync::passwordFromEnvironment(), 60000);
            out << summary.sent << ' ' << summary.received << '\n';
            return 0;
        }
        int sent = 0;
        int received = 0;
        for (int round = 0; round < rounds; ++round) {
            AppointmentRecord record = testsupport::numberedAppointment(round + 1);
            record.setText(AppointmentField::purpose,
                QStringLiteral("Programma %1, giro %2").arg(QCoreApplication::applicationPid()).arg(round + 1));
            archive::append(programFolder::file(programFolder::Appointments), AppointmentRecord::Size, record.data());
            const davsync::Summary summary = davsync::synchronize(settings, davsync::passwordFromEnvironment(), 60000);
            sent += summary.sent;
            received += summary.received;
        }
        out << sent << ' ' << received << '\n';
        return 0;
    } catch (const std::exception& failure) {
        QTextStream(stderr) << davsync::failureMessage(failure) << '\n';
        return 1;
    }
}
