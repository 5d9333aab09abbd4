#pragma once
// The attach screen: three attached files of a card, each with a
// description. It opens with the card's values and hands them back only
// with "Applica e chiudi"; files copied in stay in the folder whatever
// happens afterwards. The document card and the contact card use it.

#include "ui/cardpattern.h"

#include "documents/documentrules.h"

#include <QDialog>
#include <QScopedPointer>

#include <functional>

namespace Ui {
class AttachScreen;
}

class AttachScreen : public QDialog {
    Q_OBJECT
public:
    // `apply` gets the six values, trimmed, when the user applies.
    using Apply = std::function<void(const ui::Attachments&)>;
    // `owner` is the record whose files these are.
    AttachScreen(const ui::Attachments& values, Apply apply, const documents::attachments::Owner& owner,
        QWidget* parent = nullptr);
    ~AttachScreen() override;

    ui::Attachments values() const;
    void btnApplicaClick();

private:
    QScopedPointer<Ui::AttachScreen> m_ui;
    Apply m_apply;
};
