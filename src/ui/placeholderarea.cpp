#include "ui/placeholderarea.h"

#include "ui_placeholderarea.h"

#include <QToolButton>

namespace ui {

PlaceholderArea::PlaceholderArea(const QString& caption, const QString& title, const QString& iconName, QWidget* parent)
    : AreaScreen(parent)
    , m_ui(new Ui::PlaceholderArea)
{
    m_ui->setupUi(this);
    setWindowTitle(caption);
    m_ui->lblTitolo->setText(title);
    m_ui->imgArea->setProperty("iconName", iconName);
    applyIcons(this);
    connect(m_ui->imgEsci, &QToolButton::clicked, this, &QWidget::close);
}

PlaceholderArea::~PlaceholderArea() = default;

QToolButton* PlaceholderArea::addCommand(const QString& objectName, const QString& word, const QString& iconName)
{
    auto* button = new QToolButton(m_ui->panComandi);
    button->setObjectName(objectName);
    button->setText(word);
    button->setIcon(themeIcon(iconName, word));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setProperty("class", QStringLiteral("command"));
    m_ui->layComandi->insertWidget(m_ui->layComandi->count() - 1, button);
    return button;
}

} // namespace ui
