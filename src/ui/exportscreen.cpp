#include "ui/exportscreen.h"

#include "storage/programfolder.h"
#include "ui/exportmodel.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_exportscreen.h"

#include <QHeaderView>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace ui {

ExportScreen::ExportScreen(ExportDefinition definition, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::ExportScreen)
    , m_definition(std::move(definition))
    , m_model(new ExportModel(this))
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setObjectName(m_definition.objectName);
    setWindowTitle(m_definition.caption);
    setFixedDialog(this);
    bindCommandKeys(this);
    const int columns = int(m_definition.columns.size());
    m_model->setGrid(m_definition.columns, exports::Grid(columns, 10)); // the design: ten empty rows
    QTableView* grid = m_ui->grdRecords;
    grid->setModel(m_model);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(24);
    grid->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setColumnWidths();

    m_ui->panInfo->setText(u"Esportazione archivio in Microsoft Excel."_s);
    auto* hints = new ui::StatusHints(this, m_ui->panInfo);
    hints->add({ { m_ui->cmdEsporta, u"Esporta l'archivio in formato Microsoft Excel."_s },
        { m_ui->cmdGuida, u"Visualizza la pagina della guida sensibile al contesto."_s },
        { m_ui->cmdEsci, u"Esci da questo ambiente di lavoro."_s } });
    connect(m_ui->cmdEsporta, &QToolButton::clicked, this, &ExportScreen::cmdEsportaClick);
    ui::setHelpTopic(this, m_definition.helpTitle);
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

void ExportScreen::setColumnWidths()
{
    for (int c = 0; c < m_definition.columns.size(); ++c)
        m_ui->grdRecords->setColumnWidth(c, c == 0 ? 50 : std::max(90, m_definition.columns[c].written.width * 3 / 4));
}

void ExportScreen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_filled)
        return;
    m_filled = true;
    fill();
}

void ExportScreen::fill()
{
    // An archive without records shows an empty grid (and exports the header row only).
    const int columns = int(m_definition.columns.size());
    exports::Reading reading
        = m_definition.read ? m_definition.read() : exports::Reading { exports::Grid(columns), true, {} };
    if (!reading.complete) {
        // Part of an archive is no export of it: the user reads why, and
        // the screen closes without offering anything to export.
        m_model->setGrid(m_definition.columns, exports::Grid(columns));
        m_ui->cmdEsporta->setEnabled(false);
        QTimer::singleShot(0, this, [this, busy = reading.busy] {
            ui::messages::plain(busy ? AccessFailure::busyMessage() : AccessFailure::message());
            reject();
        });
    } else {
        m_model->setGrid(m_definition.columns, std::move(reading.grid));
    }
    setColumnWidths();
}

void ExportScreen::cmdEsportaClick()
{
    if (!m_ui->cmdEsporta->isEnabled())
        return; // the archive could not be read whole
    if (!ui::messages::confirm(u"L'esportazione dei dati in Excel può richiedere diversi minuti a seconda del numero "
                               u"di schede presenti in archivio.\r\n\r\nSi vuole esportare i dati adesso?"_s))
        return;
    m_ui->grdRecords->setCurrentIndex(QModelIndex()); // a cell being typed into keeps what was typed
    const QString path = programFolder::file(m_definition.fileName);
    if (!exports::writeFile(path, m_definition.worksheet, m_definition.columns, m_model->grid())) {
        ui::messages::plain(spreadsheet::exportFailureMessage());
        return;
    }
    if (ui::messages::confirm(u"Le schede in archivio sono state esportate con successo.\r\n\r\n"
                              u"Si vuole aprire il file di Excel?"_s))
        ui::desktop::open(u"\""_s + path + u"\""_s);
}

} // namespace ui
