#include "shell/infoscreen.h"

#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_infoscreen.h"

using namespace Qt::Literals::StringLiterals;

const QString InfoScreen::SupportMail = u"assistenza@quirvale.example"_s;

InfoScreen::InfoScreen(QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::InfoScreen)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    const auto mail = [this] {
        m_ui->lnkWeb->setStyleSheet(u"color: #00008b;"_s);
        ui::desktop::open(u"\"mailto:"_s + SupportMail + u"?subject=Software Quirvale 5.0&body="_s
            + u"Salve, desidererei avere le seguenti informazioni sul software in oggetto:\""_s);
    };
    connect(m_ui->lnkWeb, &ui::LinkLabel::clicked, this, mail);
    connect(m_ui->imgEmail, &ui::LinkLabel::clicked, this, mail);
    connect(m_ui->btnChiudi, &QPushButton::clicked, this, &QDialog::close);
}

InfoScreen::~InfoScreen() = default;
