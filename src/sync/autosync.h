#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

// The automatic sync: while the program runs, every so many minutes as the
// settings say, a sync that skips when another workstation is syncing. It
// runs away from the window's thread, so typing never waits for it. Its
// outcome goes where every sync's goes, into the status of the settings
// screen; it never opens a box over the user's work.
class AutoSync : public QObject {
    Q_OBJECT
public:
    explicit AutoSync(QObject* parent = nullptr);
    // Runs a sync when the settings ask for one and its time has come.
    void tick();

private:
    QTimer m_timer;
    QDateTime m_last;
};
