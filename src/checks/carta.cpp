#include "checks/carta.h"

#include "checks/identifiers.h"
#include "storage/texts.h"

#include "ui_carta.h"

using namespace Qt::Literals::StringLiterals;
using namespace checks;

TfrmCarta::TfrmCarta(const QString& initial, QWidget* parent)
    : CheckerWindow(parent)
    , ui(new Ui::TfrmCarta)
{
    ui->setupUi(this);
    setUpChecker(ui->txtNumero, ui->btnControlla, ui->btnChiudi, TrimAndUpperCase | DigitsOnly, initial);
}

TfrmCarta::~TfrmCarta() = default;

void TfrmCarta::btnControllaClick()
{
    const QString text = ui->txtNumero->text();
    const QString trimmed = texts::trim(text);
    if (trimmed.isEmpty()) {
        warnAndStay(u"Attenzione: immettere il numero di carta di credito prima di premere il pulsante di controllo."_s);
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
        verdict(false, u"Attenzione: il numero digitato risulta ERRATO!\r\n\r\n"
                       u"Non è quindi possibile fornire informazioni relative al tipo di carta di credito."_s);
}
