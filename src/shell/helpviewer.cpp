#include "shell/helpviewer.h"

#include "shell/help.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_helpviewer.h"

HelpViewer::HelpViewer(QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::HelpViewer)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    connect(m_ui->lnkWeb, &ui::LinkLabel::clicked, this, [] { shell::help::openManual(); });
    connect(m_ui->imgPDF, &ui::LinkLabel::clicked, this, [] { shell::help::openManual(); });
    connect(m_ui->btnChiudi, &QPushButton::clicked, this, &QDialog::close);
}

HelpViewer::~HelpViewer() = default;

void HelpViewer::showTopic(const QString& title, const QString& text)
{
    m_ui->lblTitolo->setText(title);
    m_ui->txtGuida->setPlainText(ui::messages::displayText(text));
}
