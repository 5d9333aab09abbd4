#pragma once

#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class AgendaScreen;
}
namespace ui {
class LineList;
}
class AppointmentCard;

// The agenda: each time it is opened it lists the commitments whose notice
// period has begun, tells with a picture whether there are any and sounds a
// warning.
class AgendaScreen : public ui::AreaScreen {
    Q_OBJECT
public:
    // `card` is the appointment card that "Archivio appuntamenti" opens.
    explicit AgendaScreen(AppointmentCard* card, QWidget* parent = nullptr);
    ~AgendaScreen() override;

    // The day selected in the calendar, which the day and month lists use.
    QDate selectedDate() const;

    // Opens the agenda with the commitment at `position` selected; when the
    // agenda does not list it (fulfilled, or not yet in its notice period)
    // the appointment card shows it instead. Position 0 only opens the agenda.
    void showCommitment(qint64 position);

    void btnCaricaListaClick();
    void btnStampaClick();
    void btnArchivioClick();

protected:
    void opening() override;
    void areaClosing() override;

private:
    void showNotice(bool due);
    QScopedPointer<Ui::AgendaScreen> m_ui;
    AppointmentCard* m_card;
    ui::LineList* m_list;
    bool m_playing = false;
};
