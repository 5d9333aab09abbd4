#include "shell/password.h"

#include "shell/avvio.h"
#include "shell/cambiapassword.h"
#include "shell/passwordstore.h"
#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_password.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

TfrmPassword* frmPassword = nullptr;

TfrmPassword::TfrmPassword(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TfrmPassword)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    ui::attachFocusFrame(ui->txtPassword, ui->effPassword);
    connect(ui->txtPassword, &QLineEdit::textChanged, this,
            [this](const QString& text) { ui->cmdOK->setEnabled(!texts::trim(text).isEmpty()); });
    connect(ui->txtPassword, &QLineEdit::returnPressed, this, [this] {
        if (!texts::trim(ui->txtPassword->text()).isEmpty())
            cmdOKClick();
    });
    connect(ui->cmdOK, &QPushButton::clicked, this, &TfrmPassword::cmdOKClick);
    connect(ui->cmdEsci, &QPushButton::clicked, this, &TfrmPassword::cmdEsciClick);
    connect(ui->btnCambiaPassword, &QPushButton::clicked, this, &TfrmPassword::btnCambiaPasswordClick);
}

TfrmPassword::~TfrmPassword() = default;

void TfrmPassword::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui->txtPassword->setFocus();
}

void TfrmPassword::closeEvent(QCloseEvent* event)
{
    event->accept();
    ui::run::end();
}

void TfrmPassword::showAgain()
{
    ui->txtPassword->clear();
    show();
    activateWindow();
    ui->txtPassword->setFocus();
}

void TfrmPassword::cmdOKClick()
{
    const auto stored = password::readStored();
    if (!stored) {
        ui::messages::plain(u"Attenzione: si è verificato un errore durante la procedura di lettura della password. "
                            u"Si consiglia di reinstallare il software."_s);
        return;
    }
    const QString typed = password::normalise(ui->txtPassword->text());
    if (typed.isEmpty() || *stored != typed) {
        ui::messages::plain(u"Attenzione: password errata."_s);
        ui->txtPassword->clear();
        ui->txtPassword->setFocus();
        return;
    }
    frmAvvio->show();
    hide();
}

void TfrmPassword::cmdEsciClick()
{
    hide();
    ui::run::end();
}

void TfrmPassword::btnCambiaPasswordClick()
{
    frmCambiaPassword->showEmpty();
    hide();
}
