#pragma once
// A sync run away from the window's thread: the window keeps answering
// while the server takes its time, and follows the sync's progress. One
// sync of this program runs at a time, started from the settings screen or
// by the automatic sync; whoever started it hears its end.

#include "sync/syncrun.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <memory>

class BackgroundSync : public QObject {
    Q_OBJECT
public:
    // The one runner of this program.
    static BackgroundSync& shared();

    // Starts a sync on its own thread; false when one is under way already.
    bool start(const davsync::Settings& settings, const QString& password, int lockWaitMs);
    bool running() const { return m_thread != nullptr; }
    // Asks the sync under way to stop before its next item and waits for
    // its end: what went through is kept, the next sync goes on from there.
    void stopAndWait();

signals:
    // On the window's thread.
    void progressed(const davsync::Progress& progress);
    // `failure` is empty when the sync went through; `busy`: another
    // workstation was syncing.
    void finished(const davsync::Summary& summary, const QString& failure, bool busy);

private:
    explicit BackgroundSync(QObject* parent = nullptr);
    ~BackgroundSync() override;
    void collect();

    QThread* m_thread = nullptr;
    std::atomic<bool> m_stop = false;
    struct Outcome {
        davsync::Summary summary;
        QString failure;
        bool busy = false;
    };
    std::shared_ptr<Outcome> m_outcome;
};
