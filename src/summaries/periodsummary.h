#pragma once
// The summary of a period: the selected appointments in date and time
// order, the period, the total of their amounts, the find and the print.

#include "summaries/summaryrules.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class PeriodSummary;
}
namespace ui {
class LineList;
}

class PeriodSummary : public QDialog {
    Q_OBJECT
public:
    // `summary` is what the pass over the archive gave for `criteria`.
    PeriodSummary(const summaries::Criteria& criteria, summaries::Summary summary, QWidget* parent = nullptr);
    ~PeriodSummary() override;

    void btnStampaClick();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QScopedPointer<Ui::PeriodSummary> m_ui;
    ui::LineList* m_list;
    QString m_total;
    qint64 m_unreadable;
    QList<qint64> m_unreadableAt;
    bool m_shown = false;
};
