#include "shell/cambiapassword.h"

#include "shell/password.h"
#include "shell/passwordstore.h"
#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_cambiapassword.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

TfrmCambiaPassword* frmCambiaPassword = nullptr;

namespace {
const QString ChangeFailed = u"Attenzione: si è verificato un errore durante la procedura di modifica della password. "
                             u"Si consiglia di reinstallare il software."_s;
}

TfrmCambiaPassword::TfrmCambiaPassword(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TfrmCambiaPassword)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    ui::attachFocusFrame(ui->txtPasswordOld, ui->effPasswordOld);
    ui::attachFocusFrame(ui->txtPasswordNew, ui->effPasswordNew);
    ui::attachFocusFrame(ui->txtConferma, ui->effConferma);
    ui::setEnterCycle({ui->txtPasswordOld, ui->txtPasswordNew, ui->txtConferma});
    for (QLineEdit* edit : {ui->txtPasswordOld, ui->txtPasswordNew, ui->txtConferma})
        connect(edit, &QLineEdit::textChanged, this, &TfrmCambiaPassword::updateOK);
    connect(ui->cmdOK, &QPushButton::clicked, this, &TfrmCambiaPassword::cmdOKClick);
    connect(ui->cmdEsci, &QPushButton::clicked, this, &QWidget::close);
}

TfrmCambiaPassword::~TfrmCambiaPassword() = default;

void TfrmCambiaPassword::updateOK()
{
    ui->cmdOK->setEnabled(!texts::trim(ui->txtPasswordOld->text()).isEmpty()
                          && !texts::trim(ui->txtPasswordNew->text()).isEmpty()
                          && !texts::trim(ui->txtConferma->text()).isEmpty());
}

void TfrmCambiaPassword::showEmpty()
{
    ui->txtPasswordOld->clear();
    ui->txtPasswordNew->clear();
    ui->txtConferma->clear();
    show();
    activateWindow();
    ui->txtPasswordOld->setFocus();
}

void TfrmCambiaPassword::closeEvent(QCloseEvent* event)
{
    event->accept();
    frmPassword->showAgain();
}

void TfrmCambiaPassword::cmdOKClick()
{
    const auto stored = password::readStored();
    if (!stored) {
        ui::messages::plain(ChangeFailed);
        return;
    }
    if (password::normalise(ui->txtPasswordOld->text()) != *stored || stored->isEmpty()) {
        ui::messages::plain(u"Attenzione: vecchia password errata."_s);
        ui->txtPasswordOld->clear();
        ui->txtPasswordOld->setFocus();
        return;
    }
    if (texts::trim(ui->txtPasswordNew->text()) != texts::trim(ui->txtConferma->text())) {
        ui::messages::plain(u"Attenzione: la nuova password non è stata confermata correttamente. "
                            u"E' necessario reinserire entrambi i valori."_s);
        ui->txtPasswordNew->clear();
        ui->txtConferma->clear();
        ui->txtPasswordNew->setFocus();
        return;
    }
    const QString newPassword = password::normalise(ui->txtPasswordNew->text());
    if (!password::storable(newPassword)) {
        ui::messages::plain(u"Attenzione: la nuova password non può essere memorizzata. Può contenere al massimo "
                            u"255 caratteri, scelti fra lettere, cifre e segni dell'alfabeto latino."_s);
        ui->txtPasswordNew->clear();
        ui->txtConferma->clear();
        ui->txtPasswordNew->setFocus();
        return;
    }
    if (!password::writeStored(newPassword)) {
        ui::messages::plain(ChangeFailed);
        return;
    }
    ui::messages::plain(u"Modifica della password completata con successo."_s);
    close();
}
