#include "checks/codfisc.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_codfisc.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

TfrmCodFisc::TfrmCodFisc(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , ui(new Ui::TfrmCodFisc)
{
    ui->setupUi(this);
    setUpChecker(ui->txtCodFisc, ui->btnControlla, ui->btnChiudi, TrimAndUpperCase, initial);
}

TfrmCodFisc::~TfrmCodFisc() = default;

void TfrmCodFisc::btnControllaClick()
{
    const QString code = ui->txtCodFisc->text().toUpper();
    if (code.size() != 16) {
        warnAndStay(u"Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici."_s);
        return;
    }
    if (taxCodeValid(code))
        verdict(true, u"Il codice fiscale digitato è VALIDO."_s);
    else
        verdict(false, u"Attenzione: il codice fiscale digitato è ERRATO."_s);
}
