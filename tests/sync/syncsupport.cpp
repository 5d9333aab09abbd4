#include "sync/syncsupport.h"

#include "storage/itemmap.h"
#include "storage/programfolder.h"

#include <QUrl>

#include "support/folders.h"

#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace testsupport {

AppointmentRecord numberedAppointment(int n)
{
    AppointmentRecord r;
    r.setText(AppointmentField::date, QDate(2024, 1, 1).addDays(n % 700).toString(u"dd/MM/yyyy"_s));
    r.setText(AppointmentField::hour, u"%1"_s.arg(8 + n % 10, 2, 10, QChar(u'0')));
    r.setText(AppointmentField::minute, u"30"_s);
    r.setText(AppointmentField::purpose, u"Visita n. %1, città"_s.arg(n));
    r.setText(AppointmentField::contact, u"Cliente %1"_s.arg(n));
    r.setText(AppointmentField::amount, u"10,00"_s);
    r.setFlag(AppointmentField::fulfilled, false);
    return r;
}

ContactRecord numberedContact(int n)
{
    ContactRecord r;
    r.setText(ContactField::fullName, u"Rossi Mario %1"_s.arg(n));
    r.setText(ContactField::residenceTown, u"Forlì"_s);
    r.setText(ContactField::email, u"mario%1@example.it"_s.arg(n));
    r.setFlag(ContactField::toRecontact, n % 2 == 0);
    return r;
}

void writeAppointments(const QString& path, int count)
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes += QByteArray(numberedAppointment(n).data(), AppointmentRecord::Size);
    writeFile(path, bytes);
}

void writeContacts(const QString& path, int count)
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes += QByteArray(numberedContact(n).data(), ContactRecord::Size);
    writeFile(path, bytes);
}

QString itemName(bool appointments, qint64 position)
{
    const itemmap::ItemMap map = appointments ? itemmap::ItemMap::load(programFolder::file(programFolder::Appointments),
                                     records::AppointmentLayout::Capacities, u'A')
                                              : itemmap::ItemMap::load(programFolder::file(programFolder::Contacts),
                                                  records::ContactLayout::Capacities, u'C');
    const itemmap::ItemMap::Entry* entry = map.byPosition(position);
    if (!entry)
        return QString();
    return QString::fromLatin1(QUrl::toPercentEncoding(entry->uid)) + (appointments ? u".ics"_s : u".vcf"_s);
}

davsync::Settings settingsFor(const DavServer& server, const QString&)
{
    davsync::Settings settings;
    settings.server = server.url().toString();
    settings.user = u"anna"_s;
    settings.calendar = server.calendar();
    settings.addressBook = server.addressBook();
    return settings;
}

int otherClient(const QString& method, const QString& url, const QByteArray& data, const QByteArray& ifMatch,
    QByteArray* body, QByteArray* etag, const QString& user, const QString& password)
{
    static const QString script = uR"(
import sys, base64, urllib.request, urllib.error
method, url, user, password, if_match = sys.argv[1:6]
data = sys.stdin.buffer.read()
request = urllib.request.Request(url, data=data if method in ("PUT", "REPORT", "PROPFIND") else None, method=method)
request.add_header("Authorization", "Basic " + base64.b64encode((user + ":" + password).encode()).decode())
if method == "PUT":
    request.add_header("Content-Type", "text/calendar" if url.endswith(".ics") else "text/vcard")
if if_match:
    request.add_header("If-Match", if_match)
try:
    with urllib.request.urlopen(request) as answer:
        status, etag, body = answer.status, answer.headers.get("ETag", ""), answer.read()
except urllib.error.HTTPError as error:
    status, etag, body = error.code, "", error.read()
sys.stdout.buffer.write(("%d\n%s\n" % (status, etag)).encode() + body)
)"_s;
    QProcess python;
    python.start(u"/usr/bin/python3"_s, { u"-c"_s, script, method, url, user, password, QString::fromUtf8(ifMatch) });
    python.write(data);
    python.closeWriteChannel();
    if (!python.waitForFinished(20000) || python.exitCode() != 0)
        qFatal("the other client failed: %s", python.readAllStandardError().constData());
    const QByteArray out = python.readAllStandardOutput();
    const qsizetype first = out.indexOf('\n');
    const qsizetype second = out.indexOf('\n', first + 1);
    if (etag)
        *etag = out.mid(first + 1, second - first - 1);
    if (body)
        *body = out.mid(second + 1);
    return out.left(first).toInt();
}

} // namespace testsupport
