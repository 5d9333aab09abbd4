#pragma once
// The sync password in the desktop's keyring (QtKeychain), never in the
// program folder. The keyring is reached through one replaceable store, so
// tests keep the password in memory.

#include "sync/syncsettings.h"

#include <QString>

#include <functional>

namespace davsync::keyring {

struct Store {
    // The password kept for this key; empty when there is none or no keyring.
    std::function<QString(const QString& key)> read;
    // Keeps the password; an Italian message when the keyring refused it.
    std::function<QString(const QString& key, const QString& password)> write;
};

// The keyring entry of a user at a server.
QString keyOf(const QString& server, const QString& user);
// The keyring is asked once a session for each key: its answer, or its
// silence, is kept, and what write() gives replaces it.
QString read(const Settings& settings);
// Empty when kept; otherwise what went wrong, in Italian.
QString write(const Settings& settings, const QString& password);
// The password a sync uses: QUIRVALE_SYNC_PASSWORD when set, else the keyring's.
QString password(const Settings& settings);

// Replaces the keyring, forgetting its answers; an empty store puts the desktop's back.
void setStore(Store store);

} // namespace davsync::keyring
