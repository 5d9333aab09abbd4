#pragma once

#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class TfrmAgenda;
}
namespace summaries {
class LineList;
}

// The agenda: at every showing it lists the commitments whose notice period
// has begun, tells with a picture whether there are any and sounds a warning.
class TfrmAgenda : public ui::AreaScreen {
    Q_OBJECT
public:
    explicit TfrmAgenda(QWidget* parent = nullptr);
    ~TfrmAgenda() override;

    // The day selected in the calendar, which the day and month lists use.
    QDate selectedDate() const;

    void btnCaricaListaClick();
    void btnStampaClick();
    void btnArchivioClick();

protected:
    void showEvent(QShowEvent* event) override;
    void areaClosing() override;

private:
    void showNotice(bool due);
    QScopedPointer<Ui::TfrmAgenda> ui;
    summaries::LineList* m_list;
    bool m_playing = false;
};

extern TfrmAgenda* frmAgenda;
