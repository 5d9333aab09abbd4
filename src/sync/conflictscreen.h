#pragma once

#include "sync/syncrun.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class ConflictScreen;
}

// One conflict copy beside the record it is the server's version of, field
// by field, the fields that differ in bold: the office keeps the archive's
// version, the server's, or both, or opens the copy's card.
class ConflictScreen : public QDialog {
    Q_OBJECT
public:
    ConflictScreen(const davsync::OpenConflict& conflict, QWidget* parent);
    ~ConflictScreen() override;

    // What the office chose when the screen closed.
    enum class Choice { Nothing, Settled, OpenCopy };
    Choice choice() const { return m_choice; }

private:
    void settle(davsync::Settle how);

    QScopedPointer<Ui::ConflictScreen> m_ui;
    davsync::OpenConflict m_conflict;
    Choice m_choice = Choice::Nothing;
};
