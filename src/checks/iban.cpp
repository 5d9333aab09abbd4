#include "checks/iban.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_iban.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

TfrmIban::TfrmIban(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , ui(new Ui::TfrmIban)
{
    ui->setupUi(this);
    setUpChecker(ui->txtIban, ui->btnControlla, ui->btnChiudi, TrimAndUpperCase, initial);
}

TfrmIban::~TfrmIban() = default;

void TfrmIban::btnControllaClick()
{
    const QString iban = texts::trim(ui->txtIban->text());
    if (iban.size() != 27) {
        warnAndStay(u"Attenzione: l'IBAN deve essere composto da 27 caratteri alfanumerici."_s);
        return;
    }
    if (ibanRemainder(iban) == 1)
        verdict(true, u"L'IBAN digitato è VALIDO."_s);
    else
        verdict(false, u"Attenzione: l'IBAN digitato è ERRATO!"_s);
}
