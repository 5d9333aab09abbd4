#include "ui/cardpattern.h"

#include "storage/fixedtext.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QAbstractButton>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace ui {

const QString CardPatternBase::EmptyArchive = u"L'archivio non contiene nessuna scheda."_s;

QString controlText(const QWidget* control)
{
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return box->isChecked() ? FixedText::Yes : FixedText::No;
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return texts::trim(edit->text());
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return texts::trim(combo->currentText());
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return texts::trim(label->text());
    return texts::trim(control->property("text").toString());
}

void setControlText(QWidget* control, const QString& text)
{
    const QString value = texts::trim(text);
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        if (value == FixedText::Yes)
            box->setChecked(true);
        else if (value == FixedText::No)
            box->setChecked(false);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
        edit->setCursorPosition(0); // a long text shows its beginning
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setCurrentIndex(-1);
        combo->setEditText(value);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(value);
    } else {
        control->setProperty("text", value);
    }
}

void resetControl(QWidget* control, const QString& newValue)
{
    if (auto* box = qobject_cast<QCheckBox*>(control); box && newValue.isEmpty())
        box->setChecked(false);
    else
        setControlText(control, newValue);
}

void connectCardCommands(QWidget* screen, CardPatternBase& card, StatusHints& hints)
{
    struct Command {
        const char16_t* name;
        void (CardPatternBase::*run)();
        const char16_t* hint;
    };
    static const Command commands[] = {
        { u"cmdNuovo", &CardPatternBase::newCard, u"Prepara la schermata per la registrazione di una nuova scheda." },
        { u"cmdDuplica", &CardPatternBase::duplicate,
            u"Prepara la schermata per la registrazione di una nuova scheda duplicando i dati correnti." },
        { u"cmdSalva", &CardPatternBase::save, u"Salva la scheda corrente in archivio." },
        { u"cmdPrimo", &CardPatternBase::first, u"Visualizza la prima scheda in archivio." },
        { u"cmdIndietro", &CardPatternBase::previous, u"Visualizza la scheda precedente in archivio." },
        { u"cmdAvanti", &CardPatternBase::next, u"Visualizza la scheda successiva in archivio." },
        { u"cmdUltimo", &CardPatternBase::last, u"Visualizza l'ultima scheda in archivio." },
    };
    for (const Command& c : commands) {
        auto* button = screen->findChild<QAbstractButton*>(QString::fromUtf16(c.name));
        Q_ASSERT(button);
        QObject::connect(button, &QAbstractButton::clicked, screen, [&card, run = c.run] { (card.*run)(); });
        hints.add(button, QString::fromUtf16(c.hint));
    }
}

CardPatternBase::CardPatternBase(Setup setup)
    : m_setup(std::move(setup))
{
}

QString CardPatternBase::archivePath() const
{
    return programFolder::file(m_setup.archive);
}

void CardPatternBase::setPosition(qint64 position)
{
    m_position = position > 0 ? position : 0;
    m_setup.position->setText(m_position > 0 ? QString::number(m_position) : QString());
}

void CardPatternBase::newCard()
{
    if (!confirmLeave())
        return;
    setPosition(0);
    clearControls();
    markUnchanged();
    if (m_setup.firstField)
        m_setup.firstField->setFocus();
}

bool CardPatternBase::modified() const
{
    if (m_unsavedCopy)
        return true;
    // A card never shown has nothing to lose.
    return !m_shown.isNull() && builtBytes() != m_shown;
}

void CardPatternBase::markUnchanged()
{
    m_shown = builtBytes();
    m_unsavedCopy = false;
    if (m_hooks.settled)
        m_hooks.settled();
}

bool CardPatternBase::confirmLeave()
{
    if (!modified())
        return true;
    switch (messages::choose(u"Salvare le modifiche alla scheda?"_s)) {
    case Answer::Yes:
        save();
        return !modified();
    case Answer::No:
        // Given up: the card may be left, and nothing asks again for them.
        markUnchanged();
        return true;
    default:
        return false;
    }
}

void CardPatternBase::duplicate()
{
    if (m_position == 0) {
        messages::warning(u"Attenzione: la duplicazione di una scheda può avvenire soltanto dopo che questa è stata "
                          u"inserita in archivio."_s);
        return;
    }
    setPosition(0);
    resetForDuplicate();
    m_unsavedCopy = true; // a copy not in the archive yet
    try {
        ArchiveFile file;
        file.open(archivePath(), recordSize(), ArchiveFile::Access::Read);
        file.close();
    } catch (const AccessFailure& failure) {
        if (m_duplicateFailureWarns)
            messages::warning(failure.text());
        else
            messages::error(failure.text());
        return;
    }
    if (m_hooks.afterDuplicate)
        m_hooks.afterDuplicate();
    messages::information(u"E' ora possibile apportare le proprie modifiche alla scheda corrente.\n\r\n\r"
                          u"Al termine premere Salva per inserire la scheda in archivio."_s);
}

void CardPatternBase::save()
{
    // The focus leaves the field for the save (its leave rules run) and comes
    // back to it afterwards, so the user goes on typing where he was.
    const QPointer<QWidget> before = m_setup.screen->focusWidget();
    const auto giveFocusBack = [this, before] {
        QWidget* target
            = before && before != m_setup.focusSink && before->isVisibleTo(m_setup.screen) && before->isEnabled()
            ? before.data()
            : m_setup.firstField;
        if (target)
            target->setFocus();
    };
    if (m_setup.focusSink)
        m_setup.focusSink->setFocus();
    if (m_hooks.leaveRules)
        m_hooks.leaveRules();
    if (const auto [field, message] = missingField(); field) {
        messages::warning(message);
        field->setFocus();
        return;
    }
    if (m_hooks.beforeSave)
        m_hooks.beforeSave();
    try {
        const bool rewrite = m_position > 0;
        writeRecord(archivePath(), m_position);
        markUnchanged();
        messages::information(rewrite ? u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s
                                      : u"La scheda corrente è stata inserita in archivio."_s);
    } catch (const AccessFailure& failure) {
        messages::error(failure.text());
    }
    giveFocusBack();
}

void CardPatternBase::first()
{
    navigate(Move::First);
}
void CardPatternBase::previous()
{
    navigate(Move::Previous);
}
void CardPatternBase::next()
{
    navigate(Move::Next);
}
void CardPatternBase::last()
{
    navigate(Move::Last);
}

void CardPatternBase::navigate(Move move)
{
    if (!confirmLeave())
        return;
    try {
        ArchiveFile file;
        file.open(archivePath(), recordSize(), ArchiveFile::Access::Read);
        const qint64 n = file.recordCount();
        const qint64 p = m_position;
        if (move == Move::Previous && p == 1) {
            file.close(); // the first card is shown: nothing before it
            return;
        }
        if (n == 0) {
            file.close();
            if (move == Move::Next)
                setPosition(0); // nothing follows in an empty archive: a new card
            messages::information(EmptyArchive);
            return;
        }
        qint64 target = 0;
        if (p == 0) {
            target = move == Move::Last ? n : 1;
        } else {
            switch (move) {
            case Move::First:
                target = 1;
                break;
            case Move::Last:
                target = n;
                break;
            case Move::Next:
                target = p < n ? p + 1 : 0;
                break;
            case Move::Previous:
                target = p == 1 ? 0 : (p == 2 ? 1 : std::min(p - 1, n));
                break;
            }
        }
        if (target == 0) {
            file.close();
            return;
        }
        file.seek(target - 1);
        loadCurrent(file);
        file.close();
        setPosition(target);
        markUnchanged();
    } catch (const AccessFailure& failure) {
        messages::error(failure.text());
    }
}

void CardPatternBase::setAttachmentHolders(std::array<QLabel*, 3> files, std::array<QLabel*, 3> descriptions)
{
    for (std::size_t i = 0; i < 3; ++i) {
        m_files[i] = files[i];
        m_descriptions[i] = descriptions[i];
    }
}

Attachments CardPatternBase::attachments() const
{
    Attachments a;
    for (std::size_t i = 0; i < 3; ++i) {
        a.files[i] = m_files[i] ? controlText(m_files[i]) : QString();
        a.descriptions[i] = m_descriptions[i] ? controlText(m_descriptions[i]) : QString();
    }
    return a;
}

void CardPatternBase::setAttachments(const Attachments& a)
{
    for (std::size_t i = 0; i < 3; ++i) {
        if (m_files[i])
            setControlText(m_files[i], a.files[i]);
        if (m_descriptions[i])
            setControlText(m_descriptions[i], a.descriptions[i]);
    }
}

} // namespace ui
