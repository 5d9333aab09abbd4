#include "documents/attachedfiles.h"

#include "documents/documentrules.h"
#include "storage/archivefile.h"
#include "storage/texts.h"
#include "ui/services.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;

namespace documents {

namespace {
// "*" rather than "*.*": on this platform "*.*" hides the files whose name has no dot.
const QString DialogTitle = u"Selezionare il file da allegare:"_s;
const QString DialogFilter = u"Tutti i file (*)"_s;
} // namespace

std::optional<QString> chooseAttachment(QWidget* parent, const attachments::Owner& owner)
{
    const QString source = ui::fileDialog::openFileName(parent, DialogTitle, DialogFilter);
    if (source.isEmpty())
        return std::nullopt;
    const QString folder = attachments::folder();
    QString name = attachments::storedName(QFileInfo(source).fileName());
    if (attachments::isFolderFile(source, folder, name))
        return name;
    bool another = false;
    try {
        another = attachments::isTaken(folder, name) && attachments::namedByAnother(name, owner);
    } catch (const AccessFailure&) {
        another = true; // not known: nothing is replaced
    }
    if (another) {
        // Another card's document stays as it is: this copy takes a name of its own.
        const QString own = attachments::freeName(folder, name);
        if (!attachments::copyIn(source, folder, own)) {
            ui::messages::warning(
                u"Attenzione: non è stato possibile copiare il file nella cartella dei documenti allegati."_s);
            return std::nullopt;
        }
        if (owner.newCopies)
            owner.newCopies->add(own);
        ui::messages::information(u"Un'altra scheda ha già un file allegato di nome \"%1\": il file scelto è "
                                  u"stato copiato come \"%2\", e l'altro resta com'era."_s.arg(name, own));
        return own;
    }
    const bool taken = attachments::isTaken(folder, name);
    if (taken
        && !ui::messages::confirm(u"Attenzione: nella cartella dei documenti allegati è presente un file con lo "
                                  u"stesso nome.\r\n\r\nSi vuole sovrascrivere il file esistente?"_s))
        return name;
    if (!attachments::copyIn(source, folder, name)) {
        ui::messages::warning(
            u"Attenzione: non è stato possibile copiare il file nella cartella dei documenti allegati."_s);
        return std::nullopt;
    }
    if (!taken && owner.newCopies)
        owner.newCopies->add(name);
    return name;
}

void openAttachment(const QString& name)
{
    const attachments::Location found = attachments::locate(attachments::folder(), name);
    switch (found.state) {
    case attachments::Location::State::Found:
        ui::desktop::open(u"\""_s + found.path + u"\""_s);
        break;
    case attachments::Location::State::Missing:
        ui::messages::warning(u"Attenzione: il file allegato non è presente nella cartella dei documenti allegati."_s);
        break;
    case attachments::Location::State::Refused:
        break;
    }
}

void chooseInto(QWidget* parent, QLineEdit* slot, const attachments::Owner& owner)
{
    if (const std::optional<QString> name = chooseAttachment(parent, owner))
        slot->setText(*name);
}

void followSlot(QLineEdit* slot, QAbstractButton* open)
{
    const auto follow = [open](const QString& text) { open->setEnabled(!texts::trim(text).isEmpty()); };
    QObject::connect(slot, &QLineEdit::textChanged, open, follow);
    follow(slot->text());
}

} // namespace documents
