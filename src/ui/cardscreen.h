#pragma once
// The card screen pattern shared by the appointment, contact and document
// cards: one card at a time, a position label that decides between append
// and rewrite, new, duplicate, save with required fields, four arrows over
// the archive, the load rule and the status line.

#include "ui/widgets.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QLabel;

namespace ui {

class CardScreen : public AreaScreen {
    Q_OBJECT
public:
    using AreaScreen::AreaScreen;

    // The record position on display; 0 for a new card.
    qint64 position() const;
    void setPosition(qint64 position);

    void cmdNuovoClick();
    void cmdDuplicaClick();
    void cmdSalvaClick();
    void cmdPrimoClick();
    void cmdIndietroClick();
    void cmdAvantiClick();
    void cmdUltimoClick();

    // Loads a record read elsewhere (a search, a list) with the load rule
    // and shows its position.
    void showRecord(const char* bytes, qint64 position);

    static const QString EmptyArchive;

protected:
    struct Required {
        QWidget* field;
        QString message;
    };
    struct Setup {
        QLabel* position;   // empty for a new card
        QWidget* focusSink; // invisible control that takes the focus before a save
        QString archive;    // file name in the program folder
        int recordSize;
    };
    void setUpCard(const Setup& setup);

    // Every control to its new-card value (position excluded), focus on the first field.
    virtual void clearCard() = 0;
    // The duplicate's own changes after the position was emptied (the date
    // emptied, for instance).
    virtual void prepareDuplicate() = 0;
    // The load rule: every control from the record.
    virtual void loadRecord(const char* bytes) = 0;
    // The store rule: a record from the controls.
    virtual QByteArray buildRecord() = 0;
    // Checked in order on the trimmed texts; the first empty one stops the save.
    virtual QList<Required> requiredFields() = 0;
    // The leave-field rules of every field that has one; run before a save reads the controls.
    virtual void runLeaveRules() {}
    // Last steps of a save before the record is built (an empty amount becomes "0,00"...).
    virtual void completeBeforeSave() {}

    void showEvent(QShowEvent* event) override;

private:
    enum class Move { First, Previous, Next, Last };
    void navigate(Move move);
    QString archivePath() const;
    Setup m_setup {};
};

} // namespace ui
