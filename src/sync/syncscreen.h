#pragma once

#include "sync/itemcodec.h"
#include "sync/syncrun.h"
#include "sync/syncsettings.h"

#include <QDialog>
#include <QScopedPointer>

#include <functional>
#include <optional>
#include <utility>

namespace Ui {
class SyncScreen;
}

// The settings of the sync with a calendar and address book server: the
// server, the user and the password (kept in the desktop's keyring), the
// calendar and address book found on the server or typed, the automatic
// sync; the connection test, the sync on command (run away from the
// window's thread, its progress shown), the status of the last sync, the
// conflict copies to settle and the records whose items the server removed.
class SyncScreen : public QDialog {
    Q_OBJECT
public:
    explicit SyncScreen(QWidget* parent = nullptr);
    ~SyncScreen() override;

    // The record the office asked to open from a list (a conflict copy, a
    // record removed on the server); the screen closed to let its card show.
    std::optional<std::pair<davsync::Kind, qint64>> recordToOpen() const { return m_toOpen; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    davsync::Settings fromControls() const;
    // Checks and keeps the settings and the password; false with a message when they cannot be.
    bool saveSettings();
    // Asks for the server's address when there is none.
    bool hasAddress(const davsync::Settings& settings);
    void cmdCercaClick();
    void cmdProvaClick();
    void cmdSincronizzaClick();
    using RecordRef = std::pair<davsync::Kind, qint64>;
    // A list of records of this screen: a double click hands the row to
    // `pick`, which says which record's card to open (nothing: none).
    void listRecords(const QString& objectName, const QString& caption, const QString& printTitle,
        const QStringList& lines, const std::function<std::optional<RecordRef>(qsizetype row)>& pick);
    void cmdConflittiClick();
    void cmdEliminatiClick();
    void showStatus();
    void setBusy(bool busy);
    void showProgress(const davsync::Progress& progress);
    void syncFinished(const davsync::Summary& summary, const QString& failure, bool busy);
    void open(davsync::Kind kind, qint64 position);

    QScopedPointer<Ui::SyncScreen> m_ui;
    // A sync started from this screen: its end is told in a box.
    bool m_waiting = false;
    std::optional<std::pair<davsync::Kind, qint64>> m_toOpen;
};
