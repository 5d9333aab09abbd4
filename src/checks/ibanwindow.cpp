#include "checks/ibanwindow.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_ibanwindow.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

IbanWindow::IbanWindow(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , m_ui(new Ui::IbanWindow)
{
    m_ui->setupUi(this);
    setUpChecker(m_ui->txtIban, m_ui->btnControlla, m_ui->btnChiudi, TrimAndUpperCase, initial);
}

IbanWindow::~IbanWindow() = default;

void IbanWindow::btnControllaClick()
{
    const QString iban = texts::trim(m_ui->txtIban->text());
    if (iban.size() != 27) {
        warnAndStay(u"Attenzione: l'IBAN deve essere composto da 27 caratteri alfanumerici."_s);
        return;
    }
    if (ibanRemainder(iban) == 1)
        verdict(true, u"L'IBAN digitato è VALIDO."_s);
    else
        verdict(false, u"Attenzione: l'IBAN digitato è ERRATO!"_s);
}
