#include "appointments/appointmentsearch.h"

#include "appointments/appointmentrules.h"
#include "storage/programfolder.h"

#include "ui_appointmentsearch.h"

using namespace Qt::Literals::StringLiterals;

AppointmentSearch::AppointmentSearch(Target target, QWidget* parent)
    : ui::SearchScreen(parent)
    , m_ui(new Ui::AppointmentSearch)
{
    m_ui->setupUi(this);
    auto [search, pick] = ui::searchOver<records::AppointmentLayout>(
        programFolder::Appointments, appointments::SearchFields, &appointments::listLine, std::move(target));
    setUpSearch({
        u"Riepilogo appuntamenti in archivio"_s,
        lists::LineOrder::Text,
        { m_ui->txtData, m_ui->txtOra, m_ui->txtTipologia, m_ui->txtCausale, m_ui->txtDettagli, m_ui->txtContatto,
            m_ui->txtTel, m_ui->txtCel, m_ui->txtLuogo, m_ui->txtNote },
        { m_ui->effCampo01, m_ui->effCampo02, m_ui->effCampo03, m_ui->effCampo04, m_ui->effCampo05, m_ui->effCampo06,
            m_ui->effCampo07, m_ui->effCampo08, m_ui->effCampo09, m_ui->effCampo10 },
        std::move(search),
        std::move(pick),
    });
}

AppointmentSearch::~AppointmentSearch() = default;
