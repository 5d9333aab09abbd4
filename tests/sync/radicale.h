#pragma once
// A real CalDAV/CardDAV server for the tests: Radicale on a free loopback
// port, with a throwaway storage folder, htpasswd users and, for each user,
// a calendar "agenda" and an address book "rubrica".

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace testsupport {

class RadicaleServer {
public:
    // Users as "name:password".
    explicit RadicaleServer(const QStringList& users = { QStringLiteral("anna:segreta") });
    ~RadicaleServer();

    // Starts the server (again, on the same port and storage); false when it does not answer.
    bool start();
    // Stops it at once, as a server that goes away.
    void stop();
    bool running() const { return m_process.state() == QProcess::Running; }

    QUrl url() const;                                                        // "http://127.0.0.1:PORT/"
    QString calendar(const QString& user = QStringLiteral("anna")) const;    // full address
    QString addressBook(const QString& user = QStringLiteral("anna")) const; // full address
    // The items stored in a collection, as the server keeps them on disk.
    QStringList storedItems(const QString& collectionPath) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

} // namespace testsupport
