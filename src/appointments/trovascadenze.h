#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TfrmTrovaScadenze;
}
namespace summaries {
class LineList;
}
class QLineEdit;

// The appointment search: up to ten criteria, the list of the records
// found, a find in the list, its print, and the chosen record onto the card.
class TfrmTrovaScadenze : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTrovaScadenze(QWidget* parent = nullptr);
    ~TfrmTrovaScadenze() override;
    void setTag(const QString& tag);

    void btnCercaClick();
    void btnTrovaClick();
    void btnStampaClick();
    void lstRecordsDblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    QList<QLineEdit*> criteria() const;
    QScopedPointer<Ui::TfrmTrovaScadenze> ui;
    summaries::LineList* m_list;
};
