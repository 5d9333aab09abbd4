#pragma once
// A second client of the test server, as an office's other program would be:
// vdirsyncer from Debian, keeping the server's calendar and address book in
// two local folders, one file per item.

#include "sync/davserver.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

class SecondClient {
public:
    explicit SecondClient(const DavServer& server, const QString& user = QStringLiteral("anna"),
        const QString& password = QStringLiteral("segreta"));

    // Syncs both ways; false (with vdirsyncer's words in `output`) when it fails.
    bool sync(QString* output = nullptr);

    // The items it holds now, as texts.
    QList<QByteArray> events() const;
    QList<QByteArray> cards() const;
    // What it holds twice: each SUMMARY of its events or FN of its cards, and
    // each UID, that more than one item carries.
    QStringList duplicates() const;
    // Writes an item of its own, as a phone would; synced by the next sync().
    void put(bool calendar, const QString& name, const QByteArray& text);

    QString folder(bool calendar) const;

private:
    QTemporaryDir m_dir;
    bool m_discovered = false;
};

} // namespace testsupport
