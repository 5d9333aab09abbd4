#include "shell/passwordgate.h"

#include "storage/passwordstore.h"
#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_passwordgate.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

PasswordGate::PasswordGate(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_ui(new Ui::PasswordGate)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    ui::attachFocusFrame(m_ui->txtPassword, m_ui->effPassword);
    connect(m_ui->txtPassword, &QLineEdit::textChanged, this,
        [this](const QString& text) { m_ui->cmdOK->setEnabled(!texts::trim(text).isEmpty()); });
    connect(m_ui->txtPassword, &QLineEdit::returnPressed, this, [this] {
        if (!texts::trim(m_ui->txtPassword->text()).isEmpty())
            cmdOKClick();
    });
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &PasswordGate::cmdOKClick);
    connect(m_ui->cmdEsci, &QPushButton::clicked, this, &PasswordGate::cmdEsciClick);
    connect(m_ui->btnCambiaPassword, &QPushButton::clicked, this, &PasswordGate::btnCambiaPasswordClick);
}

PasswordGate::~PasswordGate() = default;

void PasswordGate::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_ui->txtPassword->setFocus();
}

void PasswordGate::closeEvent(QCloseEvent* event)
{
    event->accept();
    ui::run::end();
}

void PasswordGate::showAgain()
{
    m_ui->txtPassword->clear();
    show();
    activateWindow();
    m_ui->txtPassword->setFocus();
}

void PasswordGate::cmdOKClick()
{
    switch (password::check(m_ui->txtPassword->text())) {
    case password::Verdict::Unreadable:
        ui::messages::plain(u"Attenzione: si è verificato un errore durante la procedura di lettura della password. "
                            u"Si consiglia di reinstallare il software."_s);
        return;
    case password::Verdict::Wrong:
        ui::messages::plain(u"Attenzione: password errata."_s);
        m_ui->txtPassword->clear();
        m_ui->txtPassword->setFocus();
        return;
    case password::Verdict::Accepted:
        hide();
        emit passed();
        return;
    }
}

void PasswordGate::cmdEsciClick()
{
    hide();
    ui::run::end();
}

void PasswordGate::btnCambiaPasswordClick()
{
    hide();
    emit changeRequested();
}
