#pragma once
// The summaries menu: the year, the contact and purpose filters and the
// period of a summary. "Visualizza riepilogo" checks them, reads the
// archive once and opens the summary over the menu.

#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class SummariesMenu;
}
class QComboBox;

class SummariesMenu : public ui::AreaScreen {
    Q_OBJECT
public:
    explicit SummariesMenu(QWidget* parent = nullptr);
    ~SummariesMenu() override;

    void btnVisualizzaClick();
    void impClienteClick();
    // A contact chosen in the contact search: only its name is taken.
    void importContact(const QString& fullName);

    static const QString AccessMessage;

protected:
    void opening() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* listOf(QObject* watched) const;
    void leaveList(QComboBox* box);
    void showYear();
    QScopedPointer<Ui::SummariesMenu> m_ui;
};
