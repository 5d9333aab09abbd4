#include "appointments/agendascreen.h"

#include "appointments/appointmentcard.h"
#include "appointments/appointmentexports.h"
#include "appointments/appointmentrules.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "ui/exportscreen.h"
#include "ui/linelist.h"
#include "ui/services.h"

#include "ui_agendascreen.h"

using namespace Qt::Literals::StringLiterals;

AgendaScreen::AgendaScreen(AppointmentCard* card, QWidget* parent)
    : ui::AreaScreen(parent)
    , m_ui(new Ui::AgendaScreen)
    , m_card(card)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::fitToScreen(this);
    m_list = new ui::LineList(m_ui->lstRecords, lists::LineOrder::Text, 14);
    m_list->hideSortKeys();
    m_ui->calAppuntamenti->setFirstDayOfWeek(Qt::Monday);
    m_ui->calAppuntamenti->setSelectedDate(ui::clock::today());
    showNotice(false);

    connect(m_ui->btnCaricaLista, &QPushButton::clicked, this, &AgendaScreen::btnCaricaListaClick);
    connect(m_ui->btnStampa, &QToolButton::clicked, this, &AgendaScreen::btnStampaClick);
    connect(m_ui->btnArchivio, &QToolButton::clicked, this, &AgendaScreen::btnArchivioClick);
    connect(m_ui->appApriArchivio, &QToolButton::clicked, this, &AgendaScreen::btnArchivioClick);
    const auto openExport = [this](auto definition) {
        return [this, definition] {
            ui::ExportScreen screen(definition(selectedDate()), this);
            screen.exec();
        };
    };
    connect(m_ui->btnGiorno, &QToolButton::clicked, this, openExport(&appointments::dayExport));
    connect(m_ui->btnMese, &QToolButton::clicked, this, openExport(&appointments::monthExport));
    connect(m_ui->btnExcel, &QToolButton::clicked, this,
        openExport([](const QDate&) { return appointments::imminentExport(); }));
    ui::setHelpTopic(this, u"Applicazione Agenda impegni."_s);
    connect(m_ui->imgEsci, &QToolButton::clicked, this, &QWidget::close);
}

AgendaScreen::~AgendaScreen() = default;

QDate AgendaScreen::selectedDate() const
{
    return m_ui->calAppuntamenti->selectedDate();
}

void AgendaScreen::opening()
{
    btnCaricaListaClick();
}

void AgendaScreen::showCommitment(qint64 position)
{
    open();
    if (position <= 0)
        return;
    const lists::Rows& rows = m_list->rows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].position == position) {
            m_list->selectRow(int(i));
            return;
        }
    }
    AppointmentRecord record;
    try {
        archive::readAt(
            programFolder::file(programFolder::Appointments), AppointmentRecord::Size, position, record.data());
    } catch (const AccessFailure&) {
        return; // the agenda stays open, as on any failed read of the agenda
    }
    areaClosing();
    m_card->open();
    m_card->showRecord(record, position);
    hide();
}

void AgendaScreen::btnCaricaListaClick()
{
    const appointments::DuePass pass
        = appointments::dueRows(programFolder::file(programFolder::Appointments), ui::clock::today());
    const bool due = !pass.rows.isEmpty();
    m_list->setRows(pass.rows);
    if (!pass.complete)
        return; // the archive could not be read: pictures and sound stay as they were
    showNotice(due);
    if (due)
        m_playing = ui::sound::play(programFolder::file(u"Avviso.mp3"_s));
}

void AgendaScreen::showNotice(bool due)
{
    m_ui->imgPresenti->setVisible(due);
    m_ui->imgAppuntamentiSI->setVisible(due);
    m_ui->imgAssenti->setVisible(!due);
    m_ui->imgAppuntamentiNO->setVisible(!due);
}

void AgendaScreen::btnStampaClick()
{
    m_list->print(u"Riepilogo appuntamenti imminenti"_s, this);
}

void AgendaScreen::btnArchivioClick()
{
    areaClosing();
    m_card->open();
    hide();
}

void AgendaScreen::areaClosing()
{
    if (m_playing) {
        ui::sound::stop();
        m_playing = false;
    }
}
