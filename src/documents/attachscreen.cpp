#include "documents/attachscreen.h"

#include "documents/attachedfiles.h"
#include "storage/texts.h"
#include "ui/widgets.h"

#include "ui_attachscreen.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

AttachScreen::AttachScreen(
    const ui::Attachments& values, Apply apply, const documents::attachments::Owner& owner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_ui(new Ui::AttachScreen)
    , m_apply(std::move(apply))
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());

    struct Row {
        QLineEdit* file;
        QPushButton* browse;
        QPushButton* open;
        QToolButton* forget;
        QLineEdit* description;
    };
    const Row rows[] = {
        { m_ui->txtFile01, m_ui->btnSfoglia01, m_ui->btnApri01, m_ui->imgCancella01, m_ui->txtDesc01 },
        { m_ui->txtFile02, m_ui->btnSfoglia02, m_ui->btnApri02, m_ui->imgCancella02, m_ui->txtDesc02 },
        { m_ui->txtFile03, m_ui->btnSfoglia03, m_ui->btnApri03, m_ui->imgCancella03, m_ui->txtDesc03 },
    };
    QList<QWidget*> cycle;
    for (std::size_t k = 0; k < 3; ++k) {
        const Row& row = rows[k];
        documents::followSlot(row.file, row.open);
        row.file->setText(texts::trim(values.files[k]));
        row.description->setText(texts::trim(values.descriptions[k]));
        connect(row.browse, &QPushButton::clicked, this,
            [this, file = row.file, owner] { documents::chooseInto(this, file, owner); });
        connect(row.open, &QPushButton::clicked, this, [file = row.file] { documents::openAttachment(file->text()); });
        connect(row.forget, &QToolButton::clicked, this, [file = row.file] { file->clear(); });
        cycle << row.description;
    }
    ui::setEnterCycle(cycle);
    connect(m_ui->btnApplica, &QPushButton::clicked, this, &AttachScreen::btnApplicaClick);
    connect(m_ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->txtDesc01->setFocus();
}

AttachScreen::~AttachScreen() = default;

ui::Attachments AttachScreen::values() const
{
    ui::Attachments a;
    const QLineEdit* files[] = { m_ui->txtFile01, m_ui->txtFile02, m_ui->txtFile03 };
    const QLineEdit* descriptions[] = { m_ui->txtDesc01, m_ui->txtDesc02, m_ui->txtDesc03 };
    for (std::size_t k = 0; k < 3; ++k) {
        a.files[k] = texts::trim(files[k]->text());
        a.descriptions[k] = texts::trim(descriptions[k]->text());
    }
    return a;
}

void AttachScreen::btnApplicaClick()
{
    if (m_apply)
        m_apply(values());
    accept();
}
