#pragma once
// Helpers of the sync tests: archives written at once, settings for the
// test server, and another client of the server (Python's urllib), which
// writes and reads items without the program's code.

#include "storage/records.h"
#include "sync/davserver.h"
#include "sync/syncsettings.h"

#include <QByteArray>
#include <QString>

namespace testsupport {

AppointmentRecord numberedAppointment(int n);
ContactRecord numberedContact(int n);
// Writes `count` numbered records as the whole archive.
void writeAppointments(const QString& path, int count);
void writeContacts(const QString& path, int count);

// The item name on the server of the record at `position` of the program
// folder's appointments ("….ics") or contacts ("….vcf"), as the archive's
// record-to-item map names it; empty when the map does not.
QString itemName(bool appointments, qint64 position);

davsync::Settings settingsFor(const DavServer& server, const QString& password = QStringLiteral("segreta"));

// Another client: an HTTP request through Python's urllib. Returns the status
// and fills `body` and `etag` with the answer's.
int otherClient(const QString& method, const QString& url, const QByteArray& data = QByteArray(),
    const QByteArray& ifMatch = QByteArray(), QByteArray* body = nullptr, QByteArray* etag = nullptr,
    const QString& user = QStringLiteral("anna"), const QString& password = QStringLiteral("segreta"));

} // namespace testsupport
