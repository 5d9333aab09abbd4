#include "summaries/periodsummary.h"

#include "storage/texts.h"
#include "ui/linelist.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_periodsummary.h"

#include <QTimer>

using namespace Qt::Literals::StringLiterals;

PeriodSummary::PeriodSummary(const summaries::Criteria& criteria, summaries::Summary summary, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::PeriodSummary)
    , m_total(summary.total)
    , m_unreadable(summary.unreadable)
    , m_unreadableAt(summary.unreadableAt)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::bindCommandKeys(this);
    ui::fitToScreen(this);
    setWindowState(Qt::WindowMaximized);
    m_list = new ui::LineList(m_ui->lstRecords, lists::LineOrder::CaseFoldAZ, 12);
    setTabOrder(m_ui->txtTrova, m_ui->btnTrova);
    setTabOrder(m_ui->btnTrova, m_ui->lstRecords);
    setTabOrder(m_ui->lstRecords, m_ui->btnStampa);
    setTabOrder(m_ui->btnStampa, m_ui->btnEsci);

    m_ui->lblConta->setText(QString::number(criteria.filtersInUse()));
    m_ui->titTipologia->setText(criteria.contactTitle());
    m_list->setRows(std::move(summary.rows));
    m_ui->lblIntervallo->setText(criteria.interval());
    m_ui->lblTotCosti->setText(m_total);

    connect(m_ui->btnTrova, &QPushButton::clicked, this, [this] { m_list->find(m_ui->txtTrova->text()); });
    connect(m_ui->btnStampa, &QToolButton::clicked, this, &PeriodSummary::btnStampaClick);
    ui::setHelpTopic(this, u"Applicazione Riepiloghi appuntamenti."_s);
    connect(m_ui->btnEsci, &QToolButton::clicked, this, &QDialog::reject);
}

PeriodSummary::~PeriodSummary() = default;

void PeriodSummary::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_ui->txtTrova->setFocus();
    // Records left out are told once, over the summary they are missing from.
    if (m_unreadable > 0)
        QTimer::singleShot(
            0, this, [this] { ui::messages::warning(summaries::unreadableMessage(m_unreadable, m_unreadableAt)); });
}

void PeriodSummary::btnStampaClick()
{
    if (m_list->rows().isEmpty()) {
        ui::messages::warning(u"Operazione di stampa non applicabile: il riepilogo non contiene nessuna voce."_s);
        return;
    }
    if (!ui::messages::confirm(u"Si vuole stampare il presente riepilogo?"_s))
        return;
    QStringList closing = { u"- - - - - - - - - - - - - - - -"_s,
        u"INTERVALLO SELEZIONATO:    "_s + texts::trim(m_ui->lblIntervallo->text()),
        u"TOTALE IMPORTI:            € "_s + texts::trim(m_total) };
    if (m_unreadable > 0)
        closing << summaries::unreadableLines(m_unreadable, m_unreadableAt);
    m_list->print(
        u"Riepilogo appuntamenti   -   Contatto:  "_s + texts::trim(m_ui->titTipologia->text()), this, closing);
}

void PeriodSummary::done(int result)
{
    m_list->clear();
    QDialog::done(result);
}
