#include "checks/partitaiva.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_partitaiva.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

TfrmPartitaIva::TfrmPartitaIva(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , ui(new Ui::TfrmPartitaIva)
{
    ui->setupUi(this);
    setUpChecker(ui->txtPartitaIva, ui->btnControlla, ui->btnChiudi, DigitsOnly, initial);
}

TfrmPartitaIva::~TfrmPartitaIva() = default;

void TfrmPartitaIva::btnControllaClick()
{
    const QString number = ui->txtPartitaIva->text().toUpper();
    if (number.size() != 11) {
        warnAndStay(u"Attenzione: la partita IVA deve essere composta da 11 caratteri numerici."_s);
        return;
    }
    if (!vatNumberValid(number)) {
        verdict(false, u"Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\n"
                       u"Non è quindi possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato."_s);
        return;
    }
    const QString office = vatOffice(number.mid(7, 3));
    if (office.isEmpty())
        verdict(true, u"Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n"
                      u"L'Ufficio IVA che lo ha rilasciato non è presente nell'elenco degli uffici conosciuti."_s);
    else
        verdict(true, u"Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n"
                      u"E' stato rilasciato dall'Ufficio IVA del Comune di "_s + office + u"."_s);
}
