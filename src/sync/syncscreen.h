#pragma once

#include "sync/syncsettings.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class SyncScreen;
}

// The settings of the sync with a calendar and address book server: the
// server, the user and the password (kept in the desktop's keyring), the
// calendar and address book found on the server or typed, the automatic
// sync; the connection test, the sync on command, the status of the last
// sync and the list of the conflict copies.
class SyncScreen : public QDialog {
    Q_OBJECT
public:
    explicit SyncScreen(QWidget* parent = nullptr);
    ~SyncScreen() override;

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
    void cmdConflittiClick();
    void showStatus();
    void setBusy(bool busy);

    QScopedPointer<Ui::SyncScreen> m_ui;
};
