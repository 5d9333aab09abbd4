#include "appointments/agenda.h"

#include "appointments/appointmentrules.h"
#include "appointments/appointmentscreens.h"
#include "appointments/archivioscadenze.h"
#include "shell/help.h"
#include "storage/programfolder.h"
#include "summaries/linelist.h"
#include "ui/services.h"

#include "ui_agenda.h"

using namespace Qt::Literals::StringLiterals;

TfrmAgenda* frmAgenda = nullptr;

TfrmAgenda::TfrmAgenda(QWidget* parent)
    : ui::AreaScreen(parent)
    , ui(new Ui::TfrmAgenda)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setMinimumSize(size());
    m_list = new summaries::LineList(ui->lstRecords, summaries::LineOrder::Text, 14);
    ui->calAppuntamenti->setFirstDayOfWeek(Qt::Monday);
    ui->calAppuntamenti->setSelectedDate(ui::clock::today());
    showNotice(false);

    connect(ui->btnCaricaLista, &QPushButton::clicked, this, &TfrmAgenda::btnCaricaListaClick);
    connect(ui->btnStampa, &QToolButton::clicked, this, &TfrmAgenda::btnStampaClick);
    connect(ui->btnArchivio, &QToolButton::clicked, this, &TfrmAgenda::btnArchivioClick);
    connect(ui->appApriArchivio, &QToolButton::clicked, this, &TfrmAgenda::btnArchivioClick);
    connect(ui->btnGiorno, &QToolButton::clicked, this, [this] { appointments::openDayList(this); });
    connect(ui->btnMese, &QToolButton::clicked, this, [this] { appointments::openMonthList(this); });
    connect(ui->btnExcel, &QToolButton::clicked, this, [this] { appointments::openImminentList(this); });
    connect(ui->imgGuida, &QToolButton::clicked, this, [this] { help::show(this, u"Applicazione Agenda impegni."_s); });
    connect(ui->imgEsci, &QToolButton::clicked, this, &QWidget::close);
}

TfrmAgenda::~TfrmAgenda() = default;

QDate TfrmAgenda::selectedDate() const { return ui->calAppuntamenti->selectedDate(); }

void TfrmAgenda::showEvent(QShowEvent* event)
{
    ui::AreaScreen::showEvent(event);
    btnCaricaListaClick();
}

void TfrmAgenda::btnCaricaListaClick()
{
    const appointments::DuePass pass =
        appointments::dueLines(programFolder::file(programFolder::Appointments), ui::clock::today());
    const bool due = !pass.lines.isEmpty();
    m_list->setLines(pass.lines);
    if (!pass.complete)
        return; // the archive could not be read: pictures and sound stay as they were
    showNotice(due);
    if (due)
        m_playing = ui::sound::play(programFolder::file(u"Avviso.mp3"_s));
}

void TfrmAgenda::showNotice(bool due)
{
    ui->imgPresenti->setVisible(due);
    ui->imgAppuntamentiSI->setVisible(due);
    ui->imgAssenti->setVisible(!due);
    ui->imgAppuntamentiNO->setVisible(!due);
}

void TfrmAgenda::btnStampaClick()
{
    m_list->print(u"Riepilogo appuntamenti imminenti"_s, this);
}

void TfrmAgenda::btnArchivioClick()
{
    areaClosing();
    frmArchivio_Scadenze->show();
    frmArchivio_Scadenze->activateWindow();
    hide();
}

void TfrmAgenda::areaClosing()
{
    if (m_playing) {
        ui::sound::stop();
        m_playing = false;
    }
}
