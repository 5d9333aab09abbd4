#pragma once
// The appointment card: the only place where appointments are entered and
// changed. Its fields are one binding table on the card pattern; the class
// keeps the card's own rules (the date picker, the hour and minute lists,
// notice days and amount) and opens the screens of its commands.

#include "appointments/appointmentrules.h"
#include "storage/records.h"
#include "ui/cardpattern.h"
#include "ui/listscreen.h"
#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class AppointmentCard;
}
class QComboBox;

class AppointmentCard : public ui::AreaScreen {
    Q_OBJECT
public:
    explicit AppointmentCard(QWidget* parent = nullptr);
    ~AppointmentCard() override;

    ui::CardPattern<records::AppointmentLayout>& card() { return *m_card; }
    // A record chosen in a search or a list, with its position.
    void showRecord(const AppointmentRecord& record, qint64 position);
    // Writes a chosen contact into the card (the contact search).
    void importContact(const QString& name, const QString& phone, const QString& mobile, const QString& email);
    // What the contact import picture does; nothing until it is given.
    void setContactImport(std::function<void(AppointmentCard*)> import) { m_contactImport = std::move(import); }

    // The list of the commitments in a state, whose double click loads the record here.
    ui::ListDefinition stateList(appointments::State state);

    void impDataClick(const QString& typed = QString());
    void btnEmailClick();

protected:
    void opening() override;
    bool mayLeave() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void leaveHour();
    void leaveMinute();
    void leaveNotice();
    void leaveAmount();
    void openPrint(bool preview);

    QScopedPointer<Ui::AppointmentCard> m_ui;
    std::unique_ptr<ui::CardPattern<records::AppointmentLayout>> m_card;
    std::function<void(AppointmentCard*)> m_contactImport;
};
