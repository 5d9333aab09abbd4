#pragma once
// The frame every export screen shares: the grid of the selected records,
// the export command with its two questions, help, exit and hints. Each
// export screen gives only its file, worksheet, columns and rows.

#include "summaries/spreadsheet.h"

#include <QDialog>
#include <QScopedPointer>

#include <optional>

namespace Ui {
class ExportScreen;
}

namespace summaries {

struct GridColumn {
    QString component;  // colData, colOra...
    QString caption;    // the grid header
    HeaderCell written; // the file's header; column 0 is never written
    bool editable = false;
};

class ExportScreen : public QDialog {
    Q_OBJECT
public:
    ~ExportScreen() override;
    void cmdEsportaClick();
    // The grid column of a component name, -1 when none.
    int column(const QString& component) const;

protected:
    struct Definition {
        QString caption;
        QString fileName;
        QString worksheet;
        QString helpTitle;
        QList<GridColumn> columns; // column 0 first
    };
    ExportScreen(Definition definition, QWidget* parent);
    // The rows of the grid, column 0 included. Called while the screen is shown;
    // nullopt when the archive holds no record at all (the grid stays as designed).
    virtual std::optional<QList<QStringList>> rows() = 0;
    void showEvent(QShowEvent* event) override;

private:
    void fill(const QList<QStringList>& rows);
    QScopedPointer<Ui::ExportScreen> ui;
    Definition m_definition;
    bool m_filled = false;
};

} // namespace summaries
