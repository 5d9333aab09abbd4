#include "summaries/statelist.h"

#include "appointments/appointmentscreens.h"
#include "storage/programfolder.h"
#include "summaries/linelist.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_statelist.h"

using namespace Qt::Literals::StringLiterals;

StateListScreen::StateListScreen(appointments::State state, const QString& caption, const QString& title, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::StateListScreen)
    , m_state(state)
    , m_title(title)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setWindowTitle(caption);
    m_list = new summaries::LineList(ui->lstRecords, summaries::LineOrder::CaseFoldAZ, 12);
    setTabOrder(ui->txtTrova, ui->lstRecords);
    setTabOrder(ui->lstRecords, ui->btnStampa);
    setTabOrder(ui->btnStampa, ui->btnTrova);
    setTabOrder(ui->btnTrova, ui->btnChiudi);
    ui::setEnterMovesTo(ui->txtTrova, ui->btnTrova);
    connect(ui->btnTrova, &QPushButton::clicked, this, &StateListScreen::btnTrovaClick);
    connect(ui->btnStampa, &QPushButton::clicked, this, &StateListScreen::btnStampaClick);
    connect(ui->btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &summaries::LineList::lineActivated, this, &StateListScreen::lstRecordsDblClick);
}

StateListScreen::~StateListScreen() = default;

void StateListScreen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_list->forgetFind();
    ui->txtTrova->clear();
    m_list->setLines(
        appointments::stateLines(programFolder::file(programFolder::Appointments), m_state, ui::clock::today()));
    ui->txtTrova->setFocus();
}

void StateListScreen::btnTrovaClick() { m_list->find(ui->txtTrova->text()); }

void StateListScreen::btnStampaClick() { m_list->print(m_title, this); }

void StateListScreen::lstRecordsDblClick()
{
    const QString selected = m_list->selectedLine();
    if (!selected.isNull())
        appointments::loadLineOntoCard(selected);
    m_list->clear();
    accept();
}

TfrmConfermati::TfrmConfermati(QWidget* parent)
    : StateListScreen(appointments::State::ToFulfil, u" Riepilogo impegni da assolvere"_s,
                      u"Riepilogo impegni da assolvere"_s, parent)
{
}

TfrmScaduti::TfrmScaduti(QWidget* parent)
    : StateListScreen(appointments::State::Expired, u" Riepilogo impegni scaduti e non assolti"_s,
                      u"Riepilogo impegni scaduti e non assolti"_s, parent)
{
}

TfrmAssolti::TfrmAssolti(QWidget* parent)
    : StateListScreen(appointments::State::Fulfilled, u" Riepilogo impegni assolti"_s, u"Riepilogo impegni assolti"_s,
                      parent)
{
}
