#pragma once
// The printed card of every archive: portrait A4, a title, one framed row
// for each label and value of the card, and the moment of printing at the
// bottom. One confirm screen serves the print and the preview of every card.

#include "ui/cardpattern.h"
#include "ui/report.h"

#include <QDialog>
#include <QScopedPointer>

#include <functional>

namespace Ui {
class CardPrintConfirm;
}

namespace ui {

// The template of a card with these rows; the footer `txtCalce` still to be set.
report::Template cardTemplate(const QString& name, const QString& title, const QList<PrintRow>& rows);
// "Stampa eseguita in data dd/mm/yyyy alle ore HH:MM:SS", from the clock.
QString printedAtText();

class CardPrintConfirm : public QDialog {
    Q_OBJECT
public:
    enum class Output { Printer, Preview };
    struct Definition {
        Output output;
        QString objectName; // frmStampaScadenza, frmStartup...
        QString question;
        std::function<report::Template()> report; // filled from the card as it is on screen, prepared
    };
    CardPrintConfirm(Definition definition, QWidget* parent);
    ~CardPrintConfirm() override;
    void btnStampaClick();

private:
    QScopedPointer<Ui::CardPrintConfirm> m_ui;
    Definition m_definition;
};

} // namespace ui
