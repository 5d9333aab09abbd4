#include "appointments/trovascadenze.h"

#include "appointments/appointmentrules.h"
#include "appointments/appointmentscreens.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "summaries/linelist.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_trovascadenze.h"

#include <QMouseEvent>

using namespace Qt::Literals::StringLiterals;

TfrmTrovaScadenze::TfrmTrovaScadenze(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TfrmTrovaScadenze)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    m_list = new summaries::LineList(ui->lstRecords, summaries::LineOrder::Text, 12);

    const auto fields = criteria();
    for (int i = 0; i < fields.size(); ++i)
        ui::attachFocusFrame(fields[i], ui->panAvvio->findChild<QFrame*>(u"effCampo%1"_s.arg(i + 1, 2, 10, QChar(u'0'))));
    ui::setEnterCycle(QList<QWidget*>(fields.begin(), fields.end()));
    ui::setEnterMovesTo(ui->txtTrova, ui->btnTrova);
    ui->btnCerca->installEventFilter(this);

    connect(ui->btnCerca, &QPushButton::clicked, this, &TfrmTrovaScadenze::btnCercaClick);
    connect(ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnTrova, &QPushButton::clicked, this, &TfrmTrovaScadenze::btnTrovaClick);
    connect(ui->btnStampa, &QPushButton::clicked, this, &TfrmTrovaScadenze::btnStampaClick);
    connect(ui->btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &summaries::LineList::lineActivated, this, &TfrmTrovaScadenze::lstRecordsDblClick);
    ui->txtData->setFocus();
}

TfrmTrovaScadenze::~TfrmTrovaScadenze() = default;

void TfrmTrovaScadenze::setTag(const QString& tag) { ui->lblMemory->setText(tag); }

QList<QLineEdit*> TfrmTrovaScadenze::criteria() const
{
    return {ui->txtData, ui->txtOra,     ui->txtTipologia, ui->txtCausale, ui->txtDettagli,
            ui->txtContatto, ui->txtTel, ui->txtCel,       ui->txtLuogo,   ui->txtNote};
}

bool TfrmTrovaScadenze::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->btnCerca && event->type() == QEvent::MouseButtonPress) {
        ui->lblAttendere->setVisible(true);
        ui->lblAttendere->repaint();
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmTrovaScadenze::btnCercaClick()
{
    appointments::Criteria typed;
    const auto fields = criteria();
    for (int i = 0; i < fields.size(); ++i)
        typed[std::size_t(i)] = fields[i]->text();
    QStringList lines;
    try {
        lines = appointments::searchLines(programFolder::file(programFolder::Appointments), typed);
    } catch (const AccessFailure&) {
        ui->lblAttendere->setVisible(false);
        ui::messages::plain(AccessFailure::message());
        return;
    }
    m_list->setLines(lines);
    ui->lblTrovate->setText(u"Il presente riepilogo contiene %1 schede."_s.arg(lines.size()));
    ui->lblAttendere->setVisible(false);
    ui->panAvvio->setVisible(false);
    ui->panContainer->setVisible(true);
    m_list->forgetFind();
    if (!lines.isEmpty())
        m_list->selectRow(0);
    ui->txtTrova->clear();
    ui->txtTrova->setFocus();
}

void TfrmTrovaScadenze::btnTrovaClick()
{
    m_list->find(ui->txtTrova->text());
}

void TfrmTrovaScadenze::btnStampaClick()
{
    m_list->print(u"Riepilogo appuntamenti in archivio"_s, this);
}

void TfrmTrovaScadenze::lstRecordsDblClick()
{
    const QString selected = m_list->selectedLine();
    if (!selected.isNull() && ui->lblMemory->text() == u"scadenze"_s)
        appointments::loadLineOntoCard(selected);
    accept();
}

void TfrmTrovaScadenze::done(int result)
{
    m_list->clear();
    ui->lblAttendere->setVisible(false);
    QDialog::done(result);
}
