#include "checks/partitaivawindow.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_partitaivawindow.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

PartitaIvaWindow::PartitaIvaWindow(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , m_ui(new Ui::PartitaIvaWindow)
{
    m_ui->setupUi(this);
    setUpChecker(m_ui->txtPartitaIva, m_ui->btnControlla, m_ui->btnChiudi, DigitsOnly, initial);
}

PartitaIvaWindow::~PartitaIvaWindow() = default;

void PartitaIvaWindow::btnControllaClick()
{
    const QString number = m_ui->txtPartitaIva->text().toUpper();
    if (number.size() != 11) {
        warnAndStay(u"Attenzione: la partita IVA deve essere composta da 11 caratteri numerici."_s);
        return;
    }
    if (!vatNumberValid(number)) {
        verdict(false,
            u"Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\n"
            u"Non è quindi possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato."_s);
        return;
    }
    const QString office = vatOffice(number.mid(7, 3));
    if (office.isEmpty())
        verdict(true,
            u"Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n"
            u"L'Ufficio IVA che lo ha rilasciato non è presente nell'elenco degli uffici conosciuti."_s);
    else
        verdict(true,
            u"Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n"
            u"E' stato rilasciato dall'Ufficio IVA del Comune di "_s
                + office + u"."_s);
}
