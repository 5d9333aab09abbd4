#include "checks/codicefiscalewindow.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_codicefiscalewindow.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

CodiceFiscaleWindow::CodiceFiscaleWindow(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , m_ui(new Ui::CodiceFiscaleWindow)
{
    m_ui->setupUi(this);
    setUpChecker(m_ui->txtCodFisc, m_ui->btnControlla, m_ui->btnChiudi, TrimAndUpperCase, initial);
}

CodiceFiscaleWindow::~CodiceFiscaleWindow() = default;

void CodiceFiscaleWindow::btnControllaClick()
{
    const QString code = m_ui->txtCodFisc->text().toUpper();
    if (code.size() != 16) {
        warnAndStay(u"Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici."_s);
        return;
    }
    if (taxCodeValid(code))
        verdict(true, u"Il codice fiscale digitato è VALIDO."_s);
    else
        verdict(false, u"Attenzione: il codice fiscale digitato è ERRATO."_s);
}
