#include "ui/exportscreen.h"

#include "ui/services.h"
#include "storage/programfolder.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_exportscreen.h"

#include <QHeaderView>

using namespace Qt::Literals::StringLiterals;

namespace ui {

ExportScreen::ExportScreen(ExportDefinition definition, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::ExportScreen)
    , m_definition(std::move(definition))
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setObjectName(m_definition.objectName);
    setWindowTitle(m_definition.caption);
    QTableWidget* grid = m_ui->grdRecords;
    grid->setColumnCount(int(m_definition.columns.size()));
    for (int c = 0; c < grid->columnCount(); ++c) {
        const GridColumn& column = m_definition.columns[c];
        auto* header = new QTableWidgetItem(column.caption);
        header->setData(Qt::UserRole, column.component);
        grid->setHorizontalHeaderItem(c, header);
        grid->setColumnWidth(c, c == 0 ? 50 : std::max(90, column.written.width * 3 / 4));
    }
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(24);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                          | QAbstractItemView::AnyKeyPressed);
    fill(QList<QStringList>(10)); // the design: ten empty rows

    m_ui->panInfo->setText(u"Esportazione archivio in Microsoft Excel."_s);
    auto* hints = new ui::StatusHints(this, m_ui->panInfo);
    hints->add({{m_ui->cmdEsporta, u"Esporta l'archivio in formato Microsoft Excel."_s},
                {m_ui->cmdGuida, u"Visualizza la pagina della guida sensibile al contesto."_s},
                {m_ui->cmdEsci, u"Esci da questo ambiente di lavoro."_s}});
    connect(m_ui->cmdEsporta, &QToolButton::clicked, this, &ExportScreen::cmdEsportaClick);
    connect(m_ui->cmdGuida, &QToolButton::clicked, this, [this] { ui::help::show(this, m_definition.helpTitle); });
    connect(m_ui->cmdEsci, &QToolButton::clicked, this, &QDialog::reject);
}

ExportScreen::~ExportScreen() = default;

int ExportScreen::column(const QString& component) const
{
    for (qsizetype c = 0; c < m_definition.columns.size(); ++c) {
        if (m_definition.columns[c].component == component)
            return int(c);
    }
    return -1;
}

void ExportScreen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_filled)
        return;
    m_filled = true;
    // An archive without records shows an empty grid (and exports the header row only).
    fill(m_definition.rows ? m_definition.rows() : QList<QStringList>());
}

void ExportScreen::fill(const QList<QStringList>& rows)
{
    QTableWidget* grid = m_ui->grdRecords;
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < grid->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(rows[r].value(c));
            if (!m_definition.columns[c].editable)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            grid->setItem(r, c, item);
        }
    }
}

void ExportScreen::cmdEsportaClick()
{
    if (!ui::messages::confirm(u"L'esportazione dei dati in Excel può richiedere diversi minuti a seconda del numero "
                               u"di schede presenti in archivio.\r\n\r\nSi vuole esportare i dati adesso?"_s))
        return;
    const QString path = programFolder::file(m_definition.fileName);
    QList<spreadsheet::HeaderCell> header;
    for (qsizetype c = 1; c < m_definition.columns.size(); ++c)
        header << m_definition.columns[c].written;
    QList<QStringList> rows;
    QTableWidget* grid = m_ui->grdRecords;
    grid->setCurrentIndex(QModelIndex()); // a cell being typed into keeps what was typed
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList row;
        for (int c = 1; c < grid->columnCount(); ++c)
            row << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << row;
    }
    if (!spreadsheet::writeSpreadsheet(path, spreadsheet::spreadsheetFile(m_definition.worksheet, header, rows))) {
        ui::messages::plain(spreadsheet::exportFailureMessage());
        return;
    }
    if (ui::messages::confirm(u"Le schede in archivio sono state esportate con successo.\r\n\r\n"
                              u"Si vuole aprire il file di Excel?"_s))
        ui::desktop::open(u"\""_s + path + u"\""_s);
}

} // namespace ui
