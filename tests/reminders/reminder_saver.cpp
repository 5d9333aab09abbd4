// Another copy of the program saving a commitment into the appointments
// archive: reminder_saver ARCHIVE DATE HOUR MINUTE NOTICE PURPOSE.
#include "storage/archivefile.h"
#include "storage/records.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() != 7)
        return 2;
    using F = AppointmentField;
    AppointmentRecord r;
    r.setText(F::date, a[2]);
    r.setText(F::hour, a[3]);
    r.setText(F::minute, a[4]);
    r.setText(F::time, a[3] + QLatin1Char(':') + a[4]);
    r.setText(F::noticeDays, a[5]);
    r.setText(F::purpose, a[6]);
    r.setText(F::contact, QStringLiteral("Bianchi"));
    r.setFlag(F::fulfilled, false);
    try {
        archive::append(a[1], AppointmentRecord::Size, r.data());
    } catch (const AccessFailure& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
