#pragma once
// The reminders on the desktop while the program runs past the gate: the
// tray icon with its menu and its count of the commitments due today, and a
// notification with the agenda's sound for each commitment as it falls due.
// Without a tray or a notification service the program works as before.

#include "reminders/reminderrules.h"
#include "reminders/reminderwatch.h"

#include <QObject>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace reminders {

class DesktopReminders : public QObject {
    Q_OBJECT
public:
    explicit DesktopReminders(QObject* parent = nullptr);
    ~DesktopReminders() override;

    // What a click on a notification does with its record position, and
    // "Apri agenda" with position 0.
    void setOpener(std::function<void(qint64 position)> opener) { m_opener = std::move(opener); }
    // What "Esci" asks before the run ends (a changed card, whether to save
    // it); the run goes on when it says no.
    void setMayEnd(std::function<bool()> mayEnd) { m_mayEnd = std::move(mayEnd); }

    // Past the gate: the tray and the reminders, when the settings want them.
    void start();
    bool isStarted() const { return m_started; }

    const Settings& settings() const { return m_settings; }
    // Keeps the settings in the program folder and applies them at once;
    // false, and nothing changed, when they could not be written.
    bool apply(const Settings& settings);

    Watch& watch() { return *m_watch; }
    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* tray() const { return m_tray; }
    QString toolTip() const;

    // "Sospendi promemoria per un'ora", and the same again to resume.
    void suspendForAnHour(bool suspend);

    // More reminders at once than this come as one notification that opens the agenda.
    static constexpr int MaxSeparate = 3;

private:
    void run(bool on);
    void remind(const QList<Reminder>& due);
    void open(qint64 position);
    void updateToolTip();

    Settings m_settings;
    Watch* m_watch;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    QAction* m_suspend;
    std::function<void(qint64)> m_opener;
    std::function<bool()> m_mayEnd;
    bool m_started = false;
};

} // namespace reminders
