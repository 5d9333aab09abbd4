#pragma once
// The lists of commitments by their state: to fulfil, expired and not
// fulfilled, fulfilled. One design with three rules and three titles.

#include "appointments/appointmentrules.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class StateListScreen;
}
namespace summaries {
class LineList;
}

class StateListScreen : public QDialog {
    Q_OBJECT
public:
    ~StateListScreen() override;

    void btnTrovaClick();
    void btnStampaClick();
    void lstRecordsDblClick();

protected:
    StateListScreen(appointments::State state, const QString& caption, const QString& title, QWidget* parent);
    void showEvent(QShowEvent* event) override;

private:
    QScopedPointer<Ui::StateListScreen> ui;
    summaries::LineList* m_list;
    appointments::State m_state;
    QString m_title;
};

// Commitments still to be fulfilled, whatever their date.
class TfrmConfermati : public StateListScreen {
    Q_OBJECT
public:
    explicit TfrmConfermati(QWidget* parent = nullptr);
};

// Commitments not fulfilled whose date has passed.
class TfrmScaduti : public StateListScreen {
    Q_OBJECT
public:
    explicit TfrmScaduti(QWidget* parent = nullptr);
};

// Fulfilled commitments.
class TfrmAssolti : public StateListScreen {
    Q_OBJECT
public:
    explicit TfrmAssolti(QWidget* parent = nullptr);
};
