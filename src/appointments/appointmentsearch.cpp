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
    const QString path = programFolder::file(programFolder::Appointments);
    setUpSearch({
        u"Riepilogo appuntamenti in archivio"_s,
        lists::LineOrder::Text,
        {m_ui->txtData, m_ui->txtOra, m_ui->txtTipologia, m_ui->txtCausale, m_ui->txtDettagli, m_ui->txtContatto,
         m_ui->txtTel, m_ui->txtCel, m_ui->txtLuogo, m_ui->txtNote},
        {m_ui->effCampo01, m_ui->effCampo02, m_ui->effCampo03, m_ui->effCampo04, m_ui->effCampo05, m_ui->effCampo06,
         m_ui->effCampo07, m_ui->effCampo08, m_ui->effCampo09, m_ui->effCampo10},
        [path](const QStringList& typed) {
            lists::Criteria<records::AppointmentLayout> criteria;
            for (std::size_t i = 0; i < appointments::SearchFields.size(); ++i)
                criteria.add(appointments::SearchFields[i], typed.value(qsizetype(i)));
            return lists::collectRows<records::AppointmentLayout>(
                path, [&](const AppointmentView& r) { return criteria.matches(r); }, appointments::listLine);
        },
        [path, target](qint64 position) {
            if (!target)
                return;
            try {
                target(lists::recordAt<records::AppointmentLayout>(path, position), position);
            } catch (const AccessFailure&) {
                // the list closes; the card keeps what it had
            }
        },
    });
}

AppointmentSearch::~AppointmentSearch() = default;
