#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class SettingsScreen;
}
namespace reminders {
class DesktopReminders;
}

// The settings: the reminders on the desktop with their minutes before the
// time, and the start of the program at login.
class SettingsScreen : public QDialog {
    Q_OBJECT
public:
    SettingsScreen(reminders::DesktopReminders* reminders, QWidget* parent = nullptr);
    ~SettingsScreen() override;

    void cmdOKClick();

    static const QString SaveFailedMessage;
    static const QString AutostartFailedMessage;

private:
    QScopedPointer<Ui::SettingsScreen> m_ui;
    reminders::DesktopReminders* m_reminders;
};
