#pragma once
// Where the archives sync to, kept in the program folder so every
// workstation of the folder syncs to the same place. The password is never
// kept here.

#include <QString>

namespace davsync {

struct Settings {
    static const QString FileName; // "Sincronizzazione.ini"

    QString server; // "https://dav.example.it/"
    QString user;
    QString calendar;    // the calendar's full address; empty: appointments are not synced
    QString addressBook; // the address book's full address; empty: contacts are not synced
    bool allowPlainHttp = false;
    bool automatic = false; // every `minutes` while the program runs
    int minutes = 15;

    // The settings of the program folder; defaults when there are none.
    static Settings load();
    // Writes them into the program folder; false when the file cannot be written.
    bool save() const;
};

// The password for `user` at `server` from the environment variable
// QUIRVALE_SYNC_PASSWORD, for unattended runs; empty when it is not set.
QString passwordFromEnvironment();

} // namespace davsync
