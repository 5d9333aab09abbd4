#pragma once
// The document card: the working screen of the documents protocol
// register. Its 29 fields are one binding table on the card pattern; the
// class keeps the card's own rules (the date pickers, the digital copy) and
// opens the screens of its commands.

#include "documents/documentrules.h"
#include "storage/records.h"
#include "ui/cardpattern.h"
#include "ui/exportscreen.h"
#include "ui/listscreen.h"
#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class DocumentCard;
}
class QLineEdit;

class DocumentCard : public ui::AreaScreen {
    Q_OBJECT
public:
    explicit DocumentCard(QWidget* parent = nullptr);
    ~DocumentCard() override;

    ui::CardPattern<records::DocumentLayout>& card() { return *m_card; }
    // A record chosen in a search or a list, with its position.
    void showRecord(const DocumentRecord& record, qint64 position);
    // The documents to complete, whose double click loads the record here.
    ui::ListDefinition toCompleteList();
    // The export of the whole register.
    static ui::ExportDefinition exportDefinition();
    // The record whose files the card and its attach screen choose: this card's.
    documents::attachments::Owner attachmentOwner();

    void cmdFileClick();
    void cmdStampaClick();

protected:
    void opening() override;
    bool mayLeave() override;

private:
    // The date picker for one of the two date fields; the focus then moves on.
    void pickDate(QLineEdit* field, QWidget* next, const QString& typed = QString());

    QScopedPointer<Ui::DocumentCard> m_ui;
    std::unique_ptr<ui::CardPattern<records::DocumentLayout>> m_card;
    documents::attachments::NewCopies m_newCopies;
};
