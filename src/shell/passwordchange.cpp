#include "shell/passwordchange.h"

#include "shell/passwordgate.h"
#include "storage/passwordstore.h"
#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_passwordchange.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString ChangeFailed = u"Attenzione: si è verificato un errore durante la procedura di modifica della password. "
                             u"Si consiglia di reinstallare il software."_s;
}

PasswordChange::PasswordChange(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_ui(new Ui::PasswordChange)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    ui::attachFocusFrame(m_ui->txtPasswordOld, m_ui->effPasswordOld);
    ui::attachFocusFrame(m_ui->txtPasswordNew, m_ui->effPasswordNew);
    ui::attachFocusFrame(m_ui->txtConferma, m_ui->effConferma);
    ui::setEnterCycle({ m_ui->txtPasswordOld, m_ui->txtPasswordNew, m_ui->txtConferma });
    for (QLineEdit* edit : { m_ui->txtPasswordOld, m_ui->txtPasswordNew, m_ui->txtConferma })
        connect(edit, &QLineEdit::textChanged, this, &PasswordChange::updateOK);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &PasswordChange::cmdOKClick);
    connect(m_ui->cmdEsci, &QPushButton::clicked, this, &QWidget::close);
}

PasswordChange::~PasswordChange() = default;

void PasswordChange::updateOK()
{
    m_ui->cmdOK->setEnabled(!texts::trim(m_ui->txtPasswordOld->text()).isEmpty()
        && !texts::trim(m_ui->txtPasswordNew->text()).isEmpty() && !texts::trim(m_ui->txtConferma->text()).isEmpty());
}

void PasswordChange::showEmpty()
{
    m_ui->txtPasswordOld->clear();
    m_ui->txtPasswordNew->clear();
    m_ui->txtConferma->clear();
    show();
    activateWindow();
    m_ui->txtPasswordOld->setFocus();
}

void PasswordChange::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

void PasswordChange::cmdOKClick()
{
    const auto stored = password::readStored();
    if (!stored) {
        ui::messages::plain(ChangeFailed);
        return;
    }
    if (password::normalise(m_ui->txtPasswordOld->text()) != *stored || stored->isEmpty()) {
        ui::messages::plain(u"Attenzione: vecchia password errata."_s);
        m_ui->txtPasswordOld->clear();
        m_ui->txtPasswordOld->setFocus();
        return;
    }
    if (texts::trim(m_ui->txtPasswordNew->text()) != texts::trim(m_ui->txtConferma->text())) {
        ui::messages::plain(u"Attenzione: la nuova password non è stata confermata correttamente. "
                            u"E' necessario reinserire entrambi i valori."_s);
        m_ui->txtPasswordNew->clear();
        m_ui->txtConferma->clear();
        m_ui->txtPasswordNew->setFocus();
        return;
    }
    const QString newPassword = password::normalise(m_ui->txtPasswordNew->text());
    if (!password::storable(newPassword)) {
        ui::messages::plain(u"Attenzione: la nuova password non può essere memorizzata. Può contenere al massimo "
                            u"255 caratteri, scelti fra lettere, cifre e segni dell'alfabeto latino."_s);
        m_ui->txtPasswordNew->clear();
        m_ui->txtConferma->clear();
        m_ui->txtPasswordNew->setFocus();
        return;
    }
    if (!password::writeStored(newPassword)) {
        ui::messages::plain(ChangeFailed);
        return;
    }
    ui::messages::plain(u"Modifica della password completata con successo."_s);
    close();
}
