#pragma once
// The owner of the area screens: it creates them in their fixed order for
// the whole run, hands each what it needs, and destroys them at the end.

#include <QtGlobal>

#include <memory>

class AgendaScreen;
class AutoSync;
class AppointmentCard;
class ContactCard;
class DocumentCard;
class MainMenu;
class PasswordChange;
class PasswordGate;
class SummariesMenu;
namespace reminders {
class DesktopReminders;
}

namespace shell {

class Screens {
public:
    Screens();
    ~Screens();
    Screens(const Screens&) = delete;
    Screens& operator=(const Screens&) = delete;

    PasswordGate* gate() const { return m_gate.get(); }
    MainMenu* menu() const { return m_menu.get(); }
    PasswordChange* passwordChange() const { return m_passwordChange.get(); }
    AgendaScreen* agenda() const { return m_agenda.get(); }
    AppointmentCard* appointmentCard() const { return m_appointmentCard.get(); }
    ContactCard* contacts() const { return m_contacts.get(); }
    SummariesMenu* summaries() const { return m_summaries.get(); }
    DocumentCard* documents() const { return m_documents.get(); }
    reminders::DesktopReminders* reminders() const { return m_reminders.get(); }
    // What a click on a reminder does: the agenda with the commitment at
    // `position` selected (or its card), over whatever area was showing.
    void showCommitment(qint64 position);
    // Before the areas are left (a reminder's card, the end of the run): a
    // changed card asks whether to save it. False when the user stays on it.
    bool mayLeaveAreas();

private:
    std::unique_ptr<PasswordGate> m_gate;
    std::unique_ptr<AppointmentCard> m_appointmentCard;
    std::unique_ptr<AgendaScreen> m_agenda;
    std::unique_ptr<PasswordChange> m_passwordChange;
    std::unique_ptr<ContactCard> m_contacts;
    std::unique_ptr<SummariesMenu> m_summaries;
    std::unique_ptr<DocumentCard> m_documents;
    std::unique_ptr<MainMenu> m_menu;
    std::unique_ptr<reminders::DesktopReminders> m_reminders;
    std::unique_ptr<AutoSync> m_autoSync;
};

} // namespace shell
