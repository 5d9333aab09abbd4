#include "sync/keyring.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QHash>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace davsync::keyring {

namespace {

const QString Service = u"Quirvale"_s;
constexpr int KeyringWaitMs = 5000;

struct Outcome {
    bool done = false;
    bool ok = false;
    QString text;
    QString error;
};

// Runs a keychain job to its end, or gives up after a while when no keyring
// answers (the job then deletes itself whenever it ends).
Outcome run(QKeychain::Job* job)
{
    Outcome outcome;
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* finished) {
        outcome.done = true;
        outcome.ok = finished->error() == QKeychain::NoError;
        if (auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(finished))
            outcome.text = reading->textData();
        outcome.error = finished->errorString();
        loop.quit();
    });
    job->setAutoDelete(true);
    job->start();
    QTimer::singleShot(KeyringWaitMs, &loop, &QEventLoop::quit);
    if (!outcome.done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

QString desktopRead(const QString& key)
{
    auto* job = new QKeychain::ReadPasswordJob(Service);
    job->setKey(key);
    const Outcome outcome = run(job);
    return outcome.ok ? outcome.text : QString();
}

QString desktopWrite(const QString& key, const QString& password)
{
    auto* job = new QKeychain::WritePasswordJob(Service);
    job->setKey(key);
    job->setTextData(password);
    const Outcome outcome = run(job);
    if (outcome.ok)
        return QString();
    return u"Impossibile conservare la password nel portachiavi del desktop, che non risponde o non è "
           u"disponibile: la password vale solo finché questa finestra resta aperta. Per le sincronizzazioni senza "
           u"finestre impostare la variabile d'ambiente QUIRVALE_SYNC_PASSWORD."_s;
}

Store& installed()
{
    static Store store;
    return store;
}

// What the keyring answered for each key in this session, an empty answer
// included: a desktop without a keyring makes every question wait, so each
// is asked once. What this program writes goes here too.
QHash<QString, QString>& answered()
{
    static QHash<QString, QString> cache;
    return cache;
}

} // namespace

QString keyOf(const QString& server, const QString& user)
{
    return user + u'@' + server;
}

QString read(const Settings& settings)
{
    const QString key = keyOf(settings.server, settings.user);
    if (const auto known = answered().constFind(key); known != answered().cend())
        return *known;
    const QString password = installed().read ? installed().read(key) : desktopRead(key);
    answered().insert(key, password);
    return password;
}

QString write(const Settings& settings, const QString& password)
{
    const QString key = keyOf(settings.server, settings.user);
    // Kept for this session also when the keyring refuses it.
    answered().insert(key, password);
    return installed().write ? installed().write(key, password) : desktopWrite(key, password);
}

QString password(const Settings& settings)
{
    const QString fromEnvironment = passwordFromEnvironment();
    return fromEnvironment.isEmpty() ? read(settings) : fromEnvironment;
}

void setStore(Store store)
{
    installed() = std::move(store);
    answered().clear();
}

} // namespace davsync::keyring
