#pragma once
// The frame every export screen shares: the grid of the selected records,
// the export command with its two questions, help, exit and hints. Each
// export screen gives only its file, worksheet, columns and rows.

#include "storage/spreadsheet.h"

#include <functional>

#include <QDialog>
#include <QScopedPointer>

#include <optional>

namespace Ui {
class ExportScreen;
}

namespace ui {

struct GridColumn {
    QString component;  // colData, colOra...
    QString caption;    // the grid header
    spreadsheet::HeaderCell written; // the file's header; column 0 is never written
    bool editable = false;
};

// An export: its screen's caption and names, its columns, and the rows it selects.
struct ExportDefinition {
    QString objectName; // frmExpScadenzario...
    QString caption;
    QString fileName;
    QString worksheet;
    QString helpTitle;
    QList<GridColumn> columns; // column 0 first
    // The rows of the grid, column 0 included; read while the screen is shown.
    std::function<QList<QStringList>()> rows;
};

class ExportScreen : public QDialog {
    Q_OBJECT
public:
    ExportScreen(ExportDefinition definition, QWidget* parent);
    ~ExportScreen() override;
    void cmdEsportaClick();
    // The grid column of a component name, -1 when none.
    int column(const QString& component) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill(const QList<QStringList>& rows);
    QScopedPointer<Ui::ExportScreen> m_ui;
    ExportDefinition m_definition;
    bool m_filled = false;
};

} // namespace ui
