#include "ui/listscreen.h"

#include "ui/linelist.h"
#include "ui/widgets.h"

#include "ui_listscreen.h"

namespace ui {

ListScreen::ListScreen(ListDefinition definition, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::ListScreen)
    , m_definition(std::move(definition))
{
    m_ui->setupUi(this);
    applyIcons(this);
    setObjectName(m_definition.objectName);
    setWindowTitle(m_definition.caption);
    setFixedDialog(this);
    bindCommandKeys(this);
    m_list = new LineList(m_ui->lstRecords, m_definition.order, 12);
    setTabOrder(m_ui->txtTrova, m_ui->lstRecords);
    setTabOrder(m_ui->lstRecords, m_ui->btnStampa);
    setTabOrder(m_ui->btnStampa, m_ui->btnTrova);
    setTabOrder(m_ui->btnTrova, m_ui->btnChiudi);
    setEnterMovesTo(m_ui->txtTrova, m_ui->btnTrova);
    connect(m_ui->btnTrova, &QPushButton::clicked, this, [this] { m_list->find(m_ui->txtTrova->text()); });
    connect(m_ui->btnStampa, &QPushButton::clicked, this, [this] { m_list->print(m_definition.printTitle, this); });
    connect(m_ui->btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &LineList::activated, this, &ListScreen::activated);
}

ListScreen::~ListScreen() = default;

void ListScreen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_filled)
        return;
    m_filled = true;
    m_list->forgetFind();
    m_ui->txtTrova->clear();
    m_list->setRows(m_definition.rows ? m_definition.rows() : lists::Rows());
    m_ui->txtTrova->setFocus();
}

void ListScreen::activated(qint64 position)
{
    if (position > 0 && m_definition.pick)
        m_definition.pick(position);
    m_list->clear();
    accept();
}

} // namespace ui
