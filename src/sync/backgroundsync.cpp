#include "sync/backgroundsync.h"

#include <QCoreApplication>

BackgroundSync& BackgroundSync::shared()
{
    static BackgroundSync* runner = [] {
        auto* made = new BackgroundSync(QCoreApplication::instance());
        // The program ends only after its sync: asked to stop, it ends between two items.
        QObject::connect(
            QCoreApplication::instance(), &QCoreApplication::aboutToQuit, made, &BackgroundSync::stopAndWait);
        return made;
    }();
    return *runner;
}

BackgroundSync::BackgroundSync(QObject* parent)
    : QObject(parent)
{
}

BackgroundSync::~BackgroundSync()
{
    stopAndWait();
}

bool BackgroundSync::start(const davsync::Settings& settings, const QString& password, int lockWaitMs)
{
    if (m_thread)
        return false;
    m_stop = false;
    m_outcome = std::make_shared<Outcome>();
    davsync::Control control;
    control.stop = &m_stop;
    control.progress = [this](const davsync::Progress& progress) {
        QMetaObject::invokeMethod(
            this, [this, progress] { emit progressed(progress); }, Qt::QueuedConnection);
    };
    m_thread = QThread::create([settings, password, lockWaitMs, control, outcome = m_outcome] {
        try {
            outcome->summary = davsync::synchronize(settings, password, lockWaitMs, control);
        } catch (const davsync::SyncFailure& failure) {
            outcome->failure = failure.message();
            outcome->busy = failure.busy();
        } catch (const std::exception& failure) {
            outcome->failure = davsync::failureMessage(failure);
        }
    });
    m_thread->setObjectName(QStringLiteral("sincronizzazione"));
    connect(m_thread, &QThread::finished, this, &BackgroundSync::collect);
    m_thread->start();
    return true;
}

void BackgroundSync::collect()
{
    if (!m_thread)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    const std::shared_ptr<Outcome> outcome = std::move(m_outcome);
    emit finished(outcome->summary, outcome->failure, outcome->busy);
}

void BackgroundSync::stopAndWait()
{
    if (!m_thread)
        return;
    m_stop = true;
    m_thread->wait();
    collect();
}
