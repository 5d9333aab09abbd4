#pragma once
// A real CalDAV/CardDAV server for the tests, on a free loopback port with
// a throwaway storage folder: Radicale, with htpasswd users and, for each
// user, a calendar "agenda" and an address book "rubrica"; or Xandikos,
// which keeps its collections in git and answers some requests its own way,
// for one user without a password check, with its own calendar and address
// book.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace testsupport {

class DavServer {
public:
    enum class Software { Radicale, Xandikos };
    // Users as "name:password"; Xandikos serves the first only.
    explicit DavServer(
        Software software = Software::Radicale, const QStringList& users = { QStringLiteral("anna:segreta") });
    ~DavServer();

    // Starts the server (again, on the same port and storage); false when it does not answer.
    bool start();
    // Stops it at once, as a server that goes away.
    void stop();
    bool running() const { return m_process.state() == QProcess::Running; }
    Software software() const { return m_software; }

    QUrl url() const;                                                        // "http://127.0.0.1:PORT/"
    QString calendar(const QString& user = QStringLiteral("anna")) const;    // full address
    QString addressBook(const QString& user = QStringLiteral("anna")) const; // full address
    // The items stored in a collection (its path, "/anna/agenda"), as the server keeps them on disk.
    QStringList storedItems(const QString& collectionPath) const;
    // Those of the first user's calendar and address book.
    QStringList storedEvents() const;
    QStringList storedCards() const;
    // Radicale forgets the sync tokens it gave: its cache removed, as an
    // administrator may do.
    void removeCache();

private:
    QString calendarPath(const QString& user) const;
    QString addressBookPath(const QString& user) const;

    Software m_software;
    QString m_firstUser;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

} // namespace testsupport
