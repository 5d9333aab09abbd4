#pragma once

#include "ui/cardscreen.h"

#include <QScopedPointer>

namespace Ui {
class TfrmArchivio_Scadenze;
}
class QComboBox;
class QLineEdit;

// What the printed card shows: the card's controls at the moment of printing.
struct AppointmentCardValues {
    QString date, time, commitmentType, purpose, details, contact, phone, mobile, email, place, amount, notes;
    bool fulfilled = false;
};

// The appointment card: the only place where appointments are entered and changed.
class TfrmArchivio_Scadenze : public ui::CardScreen {
    Q_OBJECT
public:
    explicit TfrmArchivio_Scadenze(QWidget* parent = nullptr);
    ~TfrmArchivio_Scadenze() override;

    // The trimmed texts of the controls, as the print shows them.
    AppointmentCardValues cardValues() const;
    // Writes a chosen contact into the card (the contact search).
    void importContact(const QString& name, const QString& phone, const QString& mobile, const QString& email);

    void impDataClick();
    void btnEmailClick();

protected:
    void clearCard() override;
    void prepareDuplicate() override;
    void loadRecord(const char* bytes) override;
    QByteArray buildRecord() override;
    QList<Required> requiredFields() override;
    void runLeaveRules() override;
    void completeBeforeSave() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setTimeBox(QComboBox* box, const QString& text);
    void leaveHour();
    void leaveMinute();
    void leaveNotice();
    void leaveAmount();
    QScopedPointer<Ui::TfrmArchivio_Scadenze> ui;
};

extern TfrmArchivio_Scadenze* frmArchivio_Scadenze;
