#pragma once
// The contact card: the working screen of the contacts register. Its 36
// fields are one binding table on the card pattern; the class keeps the
// card's own typing rules and opens the screens of its commands.

#include "documents/documentrules.h"
#include "storage/records.h"
#include "ui/cardpattern.h"
#include "ui/exportscreen.h"
#include "ui/listscreen.h"
#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class ContactCard;
}
namespace report {
class Template;
}

class ContactCard : public ui::AreaScreen {
    Q_OBJECT
public:
    explicit ContactCard(QWidget* parent = nullptr);
    ~ContactCard() override;

    ui::CardPattern<records::ContactLayout>& card() { return *m_card; }
    // A record chosen in a search or a list, with its position.
    void showRecord(const ContactRecord& record, qint64 position);
    // The printed card's 24 rows from the controls as they are; the PDF
    // names the zone row in full.
    QList<ui::PrintRow> printRows(bool forPdf) const;
    // The contacts to call back, whose double click loads the record here.
    ui::ListDefinition callBackList();
    // What "Allega file" opens; nothing until it is given.
    void setAttachScreen(std::function<void(ContactCard*)> open) { m_attach = std::move(open); }
    // The record whose files the attach screen chooses: this card's.
    documents::attachments::Owner attachmentOwner();

    // The export of the whole register.
    static ui::ExportDefinition exportDefinition();

    void cmdPDFClick();
    void btnCodFiscClick();

protected:
    void opening() override;
    bool mayLeave() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openPrint(bool preview);
    QScopedPointer<Ui::ContactCard> m_ui;
    std::unique_ptr<ui::CardPattern<records::ContactLayout>> m_card;
    std::function<void(ContactCard*)> m_attach;
    documents::attachments::NewCopies m_newCopies;
};
