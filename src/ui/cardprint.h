#pragma once
// The printed card of every archive: portrait A4, a title, one framed row
// for each label and value of the card, continuing on further pages when
// they do not fit on one, and the moment of printing at the bottom of the
// last page. One confirm screen serves the print and the preview of every
// card.

#include "ui/cardpattern.h"
#include "ui/report.h"

#include <QDialog>
#include <QScopedPointer>

#include <functional>

namespace Ui {
class CardPrintConfirm;
}

namespace ui {

// The template of a card with these rows, `rowHeight` millimetres each; the
// footer `txtCalce` still to be set. Rows print their values as they are.
report::Template cardTemplate(
    const QString& name, const QString& title, const QList<PrintRow>& rows, double rowHeight = 12);
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
