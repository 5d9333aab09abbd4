#pragma once
// The card pattern shared by the appointment, contact and document cards.
// A card describes its fields once, in a binding table: record field,
// control, value on a new card, required-field message, whether a duplicate
// keeps it, and its label on the printed card. From that table the pattern
// clears, loads, builds, checks the required fields in order and
// duplicates; it owns the record position (shown in the position label),
// new, duplicate, save and the four arrows over the archive. The card class
// keeps only its own rules, given to the pattern as hooks.

#include "storage/archivefile.h"
#include "storage/listrows.h"
#include "storage/records.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QWidget;

namespace ui {

class StatusHints;

// The three attached files of a contact or document card and their
// descriptions, as the card's hidden holders keep them.
struct Attachments {
    std::array<QString, 3> files;
    std::array<QString, 3> descriptions;
};

struct PrintRow {
    QString label;
    QString value;
};

// A control's text as a card reads it: edit box, drop-down, label or check box ("Sì"/"No").
QString controlText(const QWidget* control);
// Puts a text into a control; a check box is ticked by exactly "Sì",
// cleared by exactly "No" and left as it was by anything else; a drop-down
// shows the text with no list entry selected.
void setControlText(QWidget* control, const QString& text);
// A control to its value on a new card (a check box with no value is cleared).
void resetControl(QWidget* control, const QString& newValue);

class CardPatternBase {
public:
    struct Setup {
        QWidget* screen;     // parent of the pattern's messages
        QLabel* position;    // shows the record position; empty for a new card
        QWidget* focusSink;  // invisible control that takes the focus before a save
        QWidget* firstField; // gets the focus on a new card
        QString archive;     // file name in the program folder
    };
    struct Hooks {
        std::function<void()> leaveRules;     // the leave-field rules, run before a save reads the controls
        std::function<void()> beforeSave;     // last steps before the record is built
        std::function<void()> afterDuplicate; // the duplicate's own steps (focus...)
        std::function<void()> settled;        // the card shows what the archive holds (saved, loaded, given up)
    };
    virtual ~CardPatternBase() = default;

    // The record on display; 0 for a new card.
    qint64 position() const { return m_position; }
    void setPosition(qint64 position);

    void newCard();
    void duplicate();
    void save();
    // Whether the controls hold what the card last loaded or saved.
    bool modified() const;
    // Before the card is left (another record shown, a new card, the screen
    // closed): a changed card asks "Salvare le modifiche alla scheda?". Yes
    // saves (false when the save did not go through), No gives the changes
    // up, Cancel stays. True when the card may be left.
    bool confirmLeave();
    // What the controls hold now is what the card shows unchanged.
    void markUnchanged();
    void first();
    void previous();
    void next();
    void last();

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // A duplicate that cannot reach the archive says so as a warning, not an error.
    void setDuplicateFailureWarns(bool warns) { m_duplicateFailureWarns = warns; }
    // The attachments part: the six hidden holders (names, then descriptions).
    void setAttachmentHolders(std::array<QLabel*, 3> files, std::array<QLabel*, 3> descriptions);
    Attachments attachments() const;
    // Puts the values in trimmed; the archive changes only with a save.
    void setAttachments(const Attachments& attachments);

    static const QString EmptyArchive;

protected:
    explicit CardPatternBase(Setup setup);
    virtual void clearControls() = 0;
    virtual void resetForDuplicate() = 0;
    // The first control whose required field is empty, with its message; null when none.
    virtual std::pair<QWidget*, QString> missingField() const = 0;
    virtual void loadCurrent(ArchiveFile& file) = 0;
    virtual void writeRecord(const QString& path, qint64 position) = 0; // 0: append
    virtual int recordSize() const = 0;
    // The record the controls hold now, as a save would build it.
    virtual QByteArray builtBytes() const = 0;
    QString archivePath() const;
    QWidget* screen() const { return m_setup.screen; }

private:
    enum class Move { First, Previous, Next, Last };
    void navigate(Move move);
    Setup m_setup;
    Hooks m_hooks;
    qint64 m_position = 0;
    bool m_duplicateFailureWarns = false;
    QByteArray m_shown;         // the record as last loaded or saved; null: nothing shown yet
    bool m_unsavedCopy = false; // a duplicate not saved yet
    std::array<QPointer<QLabel>, 3> m_files {};
    std::array<QPointer<QLabel>, 3> m_descriptions {};
};

// Connects the commands every card has, found on `screen` by their names
// (cmdNuovo, cmdDuplica, cmdSalva and the arrows cmdPrimo, cmdIndietro,
// cmdAvanti, cmdUltimo), and gives them their status-line hints.
void connectCardCommands(QWidget* screen, CardPatternBase& card, StatusHints& hints);

template <typename Layout>
class CardPattern : public CardPatternBase {
public:
    using Field = typename Layout::Field;
    using Record = records::Record<Layout>;

    struct Binding {
        Field field;
        QWidget* control;
        QString newValue = QString(); // on a new card
        QString required = QString(); // message when empty at a save; empty: not required
        bool keptOnDuplicate = true;
        QString printLabel = QString();        // on the printed card; empty: not printed
        std::function<QString()> printed = {}; // the printed value when it is not the control's text
    };

    CardPattern(Setup setup, QList<Binding> table)
        : CardPatternBase(std::move(setup))
        , m_table(std::move(table))
    {
    }

    const QList<Binding>& table() const { return m_table; }

    // The load rule: every bound control from the record, trimmed.
    void load(const Record& record) const
    {
        for (const Binding& b : m_table)
            setControlText(b.control, record.text(b.field));
    }
    // The store rule: a record from the bound controls, trimmed; fields that
    // no control holds stay empty.
    Record build() const
    {
        Record record;
        for (const Binding& b : m_table)
            record.setText(b.field, controlText(b.control));
        return record;
    }
    // A record read elsewhere (a search, a list) with its position; a
    // changed card asks first, and stays when told.
    void showRecord(const Record& record, qint64 position)
    {
        if (!confirmLeave())
            return;
        load(record);
        setPosition(position);
        markUnchanged();
    }
    // The record at `position` of the card's own archive, read and shown: what
    // a list's double click does. A record that cannot be read leaves the card
    // as it was, without a message.
    void showRecordAt(qint64 position)
    {
        try {
            showRecord(lists::recordAt<Layout>(archivePath(), position), position);
        } catch (const AccessFailure&) {
        }
    }
    // The rows of the printed card, in table order, from the controls as they are.
    QList<PrintRow> printRows() const
    {
        QList<PrintRow> rows;
        for (const Binding& b : m_table) {
            if (!b.printLabel.isEmpty())
                rows.append({ b.printLabel, b.printed ? b.printed() : controlText(b.control) });
        }
        return rows;
    }

protected:
    void clearControls() override
    {
        for (const Binding& b : m_table)
            resetControl(b.control, b.newValue);
    }
    void resetForDuplicate() override
    {
        for (const Binding& b : m_table) {
            if (!b.keptOnDuplicate)
                resetControl(b.control, b.newValue);
        }
    }
    std::pair<QWidget*, QString> missingField() const override
    {
        for (const Binding& b : m_table) {
            if (!b.required.isEmpty() && controlText(b.control).isEmpty())
                return { b.control, b.required };
        }
        return { nullptr, QString() };
    }
    void loadCurrent(ArchiveFile& file) override
    {
        Record record;
        file.read(record.data());
        load(record);
    }
    void writeRecord(const QString& path, qint64 position) override
    {
        const Record record = build();
        if (position > 0)
            archive::rewriteAt(path, Record::Size, position, record.data());
        else
            setPosition(archive::append(path, Record::Size, record.data()));
    }
    int recordSize() const override { return Record::Size; }
    QByteArray builtBytes() const override
    {
        const Record record = build();
        return QByteArray(record.data(), Record::Size);
    }

private:
    QList<Binding> m_table;
};

} // namespace ui
