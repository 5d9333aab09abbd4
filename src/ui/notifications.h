#pragma once
// Desktop notifications, beside the services of services.h: one replaceable
// handler, and by default the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Without a session bus
// or a service nothing shows and nothing fails.

#include <QString>

#include <functional>

namespace ui::notifications {

// Shows a notification with a title and a body of plain text; `clicked` runs
// when the user clicks it (its default action).
void show(const QString& title, const QString& body, std::function<void()> clicked);

using Handler = std::function<void(const QString& title, const QString& body, std::function<void()> clicked)>;
// Tests record the notifications; an empty handler puts the desktop's back.
void setHandler(Handler handler);

// The names on the bus.
inline constexpr char Service[] = "org.freedesktop.Notifications";
inline constexpr char Path[] = "/org/freedesktop/Notifications";

} // namespace ui::notifications
