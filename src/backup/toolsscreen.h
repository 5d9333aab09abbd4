#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class ToolsScreen;
}

// The tools of the main menu: a backup into a folder the user chooses, the
// restore of a backup, and the check of the archives, each with its
// progress and, for the backup and the check, a cancel.
class ToolsScreen : public QDialog {
    Q_OBJECT
public:
    explicit ToolsScreen(QWidget* parent = nullptr);
    ~ToolsScreen() override;

    void cmdCopiaClick();
    void cmdRipristinaClick();
    void cmdVerificaClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct Busy;
    void setBusy(const QString& activity, bool cancellable);
    void setIdle(const QString& activity);
    void showResults(const QStringList& lines);

    QScopedPointer<Ui::ToolsScreen> m_ui;
    bool m_busy = false;
    bool m_cancelled = false;
};
