#pragma once
// The exchange screen: exports the appointments to a calendar file or the
// contacts to an address-book file, or imports one: the file chosen with the
// file dialog, what will be added, updated and skipped shown first, written
// only when the user confirms. Opened from the appointment card and the
// contact card; the command line runs the same exchanges.

#include "exchange/exchangeplan.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class ExchangeScreen;
}

class ExchangeScreen : public QDialog {
    Q_OBJECT
public:
    ExchangeScreen(exchange::Archive archive, QWidget* parent);
    ~ExchangeScreen() override;

    void cmdEsportaFileClick();
    void cmdImportaFileClick();
    void cmdConfermaClick();
    // The plan shown, for whoever opened the screen.
    const exchange::Plan& plan() const { return m_plan; }

private:
    // Reads the chosen file again and shows what its import would do.
    void preview();
    void clearPreview(const QString& summary);
    std::optional<exchange::ical::Range> range() const;
    bool isCalendar() const { return m_archive == exchange::Archive::Appointments; }

    QScopedPointer<Ui::ExchangeScreen> m_ui;
    exchange::Archive m_archive;
    QString m_file;
    QByteArray m_bytes;
    exchange::Plan m_plan;
};
