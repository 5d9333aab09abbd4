#include "checks/cardnumberwindow.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_cardnumberwindow.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

CardNumberWindow::CardNumberWindow(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , m_ui(new Ui::CardNumberWindow)
{
    m_ui->setupUi(this);
    setUpChecker(m_ui->txtNumero, m_ui->btnControlla, m_ui->btnChiudi, TrimAndUpperCase | DigitsOnly, initial);
}

CardNumberWindow::~CardNumberWindow() = default;

void CardNumberWindow::btnControllaClick()
{
    const QString text = m_ui->txtNumero->text();
    const QString trimmed = texts::trim(text);
    if (trimmed.isEmpty()) {
        warnAndStay(
            u"Attenzione: immettere il numero di carta di credito prima di premere il pulsante di controllo."_s);
        return;
    }
    const int kind = cardKind(text);
    const QString issuer = cardIssuer(kind, text);
    const QString valid = u"Il numero di carta di credito "_s + trimmed + u" risulta valido.\r\n\r\n"_s;
    if (kind >= 1 && kind <= 4 && !issuer.isEmpty())
        verdict(true, valid + u"La carta di credito è del tipo "_s + issuer + u"."_s);
    else if (kind == 1)
        verdict(true, valid + u"Il tipo di carta di credito non è stato riconosciuto."_s);
    else
        verdict(false,
            u"Attenzione: il numero digitato risulta ERRATO!\r\n\r\n"
            u"Non è quindi possibile fornire informazioni relative al tipo di carta di credito."_s);
}
