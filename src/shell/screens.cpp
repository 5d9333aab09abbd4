#include "shell/screens.h"

#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"

#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "contacts/contactsearch.h"
#include "documents/attachscreen.h"
#include "documents/documentcard.h"
#include "reminders/desktopreminders.h"
#include "reminders/settingsscreen.h"
#include "shell/help.h"
#include "shell/mainmenu.h"
#include "shell/passwordchange.h"
#include "shell/passwordgate.h"
#include "summaries/summariesmenu.h"
#include "sync/autosync.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

namespace shell {

Screens::Screens()
{
    ui::help::setHandler(&help::show);
    // A screen without a help page of its own shows the program's overview.
    ui::setDefaultHelpTopic(u"Uno sguardo ad Quirvale 5.0."_s);
    m_gate = std::make_unique<PasswordGate>();
    m_appointmentCard = std::make_unique<AppointmentCard>();
    m_agenda = std::make_unique<AgendaScreen>(m_appointmentCard.get());
    m_passwordChange = std::make_unique<PasswordChange>();
    m_contacts = std::make_unique<ContactCard>();
    // The appointment card imports a contact through the contact search.
    m_appointmentCard->setContactImport([](AppointmentCard* card) {
        ContactSearch search(
            [card](const ContactRecord& r, qint64) {
                card->importContact(r.text(ContactField::fullName), r.text(ContactField::preferredPhone),
                    r.text(ContactField::mobilePhone), r.text(ContactField::email));
            },
            card);
        search.exec();
    });
    // The contact card's attached files go through the attach screen of the documents.
    m_contacts->setAttachScreen([](ContactCard* card) {
        AttachScreen screen(
            card->card().attachments(), [card](const ui::Attachments& a) { card->card().setAttachments(a); },
            card->attachmentOwner(), card);
        screen.exec();
    });
    m_summaries = std::make_unique<SummariesMenu>();
    m_documents = std::make_unique<DocumentCard>();
    m_menu = std::make_unique<MainMenu>(
        MainMenu::Areas { m_contacts.get(), m_agenda.get(), m_summaries.get(), m_documents.get() });

    for (ui::AreaScreen* area : std::initializer_list<ui::AreaScreen*> {
             m_appointmentCard.get(), m_agenda.get(), m_contacts.get(), m_summaries.get(), m_documents.get() }) {
        area->setHome(m_menu.get());
        ui::bindCommandKeys(area);
    }
    // Esc on the main menu would end the program: only its help has a key.
    ui::bindCommandKeys(m_menu.get(), false);
    QObject::connect(m_gate.get(), &PasswordGate::passed, m_menu.get(), &QWidget::show);

    // The reminders on the desktop start past the gate.
    m_reminders = std::make_unique<reminders::DesktopReminders>();
    m_reminders->setOpener([this](qint64 position) { showCommitment(position); });
    m_reminders->setMayEnd([this] { return mayLeaveAreas(); });
    QObject::connect(m_gate.get(), &PasswordGate::passed, m_reminders.get(), [this] {
        if (!m_reminders->isStarted())
            m_reminders->start();
    });
    // A record chosen on the sync screen opens on its card, as one from a search.
    m_menu->setRecordOpener([this](bool appointment, qint64 position) {
        const QString path = programFolder::file(appointment ? programFolder::Appointments : programFolder::Contacts);
        const int size = appointment ? AppointmentRecord::Size : ContactRecord::Size;
        if (position <= 0 || position > archive::count(path, size))
            return;
        QByteArray bytes(size, '\0');
        archive::readAt(path, size, position, bytes.data());
        if (appointment) {
            m_menu->openArea(m_appointmentCard.get());
            m_appointmentCard->showRecord(AppointmentRecord::fromBytes(bytes.constData()), position);
        } else {
            m_menu->openArea(m_contacts.get());
            m_contacts->showRecord(ContactRecord::fromBytes(bytes.constData()), position);
        }
    });
    m_menu->setSettingsScreen([this](QWidget* parent) {
        SettingsScreen settings(m_reminders.get(), parent);
        settings.exec();
    });
    // The automatic sync starts once the password let the user in.
    QObject::connect(m_gate.get(), &PasswordGate::passed, m_gate.get(), [this] {
        if (!m_autoSync)
            m_autoSync = std::make_unique<AutoSync>();
    });
    QObject::connect(m_gate.get(), &PasswordGate::changeRequested, m_passwordChange.get(), &PasswordChange::showEmpty);
    QObject::connect(m_passwordChange.get(), &PasswordChange::closed, m_gate.get(), &PasswordGate::showAgain);

    for (QWidget* screen : std::initializer_list<QWidget*> { m_gate.get(), m_menu.get(), m_agenda.get(),
             m_appointmentCard.get(), m_passwordChange.get(), m_contacts.get(), m_summaries.get(), m_documents.get() })
        ui::centreWindow(screen);
}

void Screens::showCommitment(qint64 position)
{
    // A screen open over an area finishes first: it is only brought forward.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    // A changed card asks first; the user may stay on it.
    if (!mayLeaveAreas())
        return;
    for (QWidget* screen : std::initializer_list<QWidget*> {
             m_menu.get(), m_appointmentCard.get(), m_contacts.get(), m_summaries.get(), m_documents.get() })
        if (screen->isVisible())
            screen->hide();
    m_agenda->showCommitment(position);
    QWidget* shown = m_agenda->isVisible() ? static_cast<QWidget*>(m_agenda.get()) : m_appointmentCard.get();
    shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
    shown->raise();
    shown->activateWindow();
}

bool Screens::mayLeaveAreas()
{
    for (ui::AreaScreen* area : std::initializer_list<ui::AreaScreen*> {
             m_appointmentCard.get(), m_contacts.get(), m_documents.get(), m_agenda.get(), m_summaries.get() }) {
        if (!area->mayBeLeft()) {
            area->setWindowState(area->windowState() & ~Qt::WindowMinimized);
            area->raise();
            area->activateWindow();
            return false;
        }
    }
    return true;
}

Screens::~Screens()
{
    m_reminders.reset();
    m_autoSync.reset();
    m_menu.reset();
    m_documents.reset();
    m_summaries.reset();
    m_contacts.reset();
    m_passwordChange.reset();
    m_agenda.reset();
    m_appointmentCard.reset();
    m_gate.reset();
    ui::help::setHandler({});
}

} // namespace shell
