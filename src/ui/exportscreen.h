#pragma once
// The frame every export screen shares: the grid of the selected records,
// the export command with its two questions, help, exit and hints. Each
// export screen gives only its file, worksheet, columns and rows.

#include "storage/exportrows.h"
#include "storage/programfolder.h"

#include <QDialog>
#include <QScopedPointer>

#include <functional>

namespace Ui {
class ExportScreen;
}

namespace ui {

class ExportModel;

// An export: its screen's caption and names, its columns, and the reading
// of the archive that gives its rows.
struct ExportDefinition {
    QString objectName; // frmExpScadenzario...
    QString caption;
    QString fileName;
    QString worksheet;
    QString helpTitle;
    QList<exports::ColumnHead> columns; // the number column first
    // The grid, column 0 included; read while the screen is shown.
    std::function<exports::Reading()> read;
};

// The export of the archive `archiveFile` of the program folder through
// `table`: `texts` with the table's columns and its reading.
template <typename Layout>
ExportDefinition exportOf(ExportDefinition texts, exports::Table<Layout> table, const QString& archiveFile)
{
    texts.columns = table.heads();
    texts.read = [table = std::move(table), archiveFile] { return table.read(programFolder::file(archiveFile)); };
    return texts;
}

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
    void fill();
    void setColumnWidths();
    QScopedPointer<Ui::ExportScreen> m_ui;
    ExportDefinition m_definition;
    ExportModel* m_model;
    bool m_filled = false;
};

} // namespace ui
