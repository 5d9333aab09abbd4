#pragma once
// Hands a file, a web address or a "mailto:" text to the desktop, which opens
// it with the program associated with it. Reports nothing.

#include <QString>

#include <functional>

class TMisc {
public:
    // Surrounding double quotes are removed first.
    static void shellOpen(const QString& target);
    // Tests record what would be opened; an empty handler restores the desktop.
    static void setHandler(std::function<void(const QString&)> handler);
};
