#include "summaries/summariesmenu.h"

#include "contacts/contactsearch.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "summaries/periodsummary.h"
#include "summaries/summaryrules.h"
#include "ui/services.h"

#include "ui_summariesmenu.h"

#include <QFocusEvent>
#include <QKeyEvent>

using namespace Qt::Literals::StringLiterals;

const QString SummariesMenu::AccessMessage = u"Attenzione: il file di archivio non risulta accessibile."_s;

namespace {

// Empties a drop-down list's box, or puts a text in it, with no item chosen.
void setListText(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

} // namespace

SummariesMenu::SummariesMenu(QWidget* parent)
    : ui::AreaScreen(parent)
    , m_ui(new Ui::SummariesMenu)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::fitToScreen(this);
    setWindowState(Qt::WindowMaximized);

    for (QComboBox* day : { m_ui->txtGiornoInizio, m_ui->txtGiornoFine }) {
        day->addItems(summaries::DayTexts);
        day->lineEdit()->setMaxLength(2);
    }
    for (QComboBox* month : { m_ui->txtMeseInizio, m_ui->txtMeseFine }) {
        month->addItems(summaries::MonthNames);
        month->lineEdit()->setMaxLength(9);
    }
    ui::setDigitsOnly(m_ui->txtAnno);
    connect(m_ui->txtAnno, &QLineEdit::textChanged, this, &SummariesMenu::showYear);

    const QList<QWidget*> order = { m_ui->txtAnno, m_ui->txtCliente, m_ui->txtTarga, m_ui->txtGiornoInizio,
        m_ui->txtMeseInizio, m_ui->txtGiornoFine, m_ui->txtMeseFine, m_ui->btnVisualizza, m_ui->btnEsci };
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
        if (order[i + 1] != m_ui->btnEsci)
            ui::setEnterMovesTo(order[i], order[i + 1]);
    }
    // The four lists take a value only from their items: installed after the
    // Enter moves, so these filters see the keys first.
    for (QComboBox* box : { m_ui->txtGiornoInizio, m_ui->txtMeseInizio, m_ui->txtGiornoFine, m_ui->txtMeseFine }) {
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
        box->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
        box->lineEdit()->setAcceptDrops(false);
    }
    m_ui->btnVisualizza->installEventFilter(this);

    connect(m_ui->btnVisualizza, &QToolButton::clicked, this, &SummariesMenu::btnVisualizzaClick);
    connect(m_ui->impCliente, &QToolButton::clicked, this, &SummariesMenu::impClienteClick);
    connect(m_ui->btnEsci, &QToolButton::clicked, this, &QWidget::close);
}

SummariesMenu::~SummariesMenu() = default;

void SummariesMenu::opening()
{
    m_ui->txtCliente->clear();
    m_ui->txtTarga->clear();
    for (QComboBox* box : { m_ui->txtGiornoInizio, m_ui->txtMeseInizio, m_ui->txtGiornoFine, m_ui->txtMeseFine })
        setListText(box, QString());
    m_ui->txtAnno->setText(QString::number(ui::clock::today().year()));
    m_ui->lblAttendere->setVisible(false);
    m_ui->txtCliente->setFocus();
}

void SummariesMenu::showYear()
{
    const QString year = texts::trim(m_ui->txtAnno->text());
    m_ui->lblAnnoInizio->setText(year);
    m_ui->lblAnnoFine->setText(year);
}

QComboBox* SummariesMenu::listOf(QObject* watched) const
{
    for (QComboBox* box : { m_ui->txtGiornoInizio, m_ui->txtMeseInizio, m_ui->txtGiornoFine, m_ui->txtMeseFine }) {
        if (watched == box || watched == box->lineEdit())
            return box;
    }
    return nullptr;
}

bool SummariesMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->btnVisualizza) {
        // The waiting line shows from the moment the button is pressed.
        if (event->type() == QEvent::MouseButtonPress) {
            m_ui->lblAttendere->setVisible(true);
            m_ui->lblAttendere->repaint();
        }
        return false;
    }
    QComboBox* box = listOf(watched);
    if (!box)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            setListText(box, QString());
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F4: // opens the list, to pick from it with the keyboard
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
            return false;
        default:
            // A value of the list, typed or chosen with the arrows; Alt with
            // an arrow opens the list.
            return ui::listKey(box, key) || !(key->modifiers() & Qt::AltModifier);
        }
    }
    case QEvent::FocusIn:
        if (watched == box && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            setListText(box, box->currentText());
        return false;
    case QEvent::FocusOut:
        if (watched == box && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            leaveList(box);
        return false;
    default:
        return false;
    }
}

void SummariesMenu::leaveList(QComboBox* box)
{
    const bool day = box == m_ui->txtGiornoInizio || box == m_ui->txtGiornoFine;
    const QString text = ui::listItemFor(box, box->currentText().trimmed());
    setListText(box, (day ? summaries::isDayText(text) : summaries::monthNumber(text) != 0) ? text : QString());
}

void SummariesMenu::btnVisualizzaClick()
{
    m_ui->lblAttendere->setVisible(true);
    m_ui->lblAttendere->repaint();
    const summaries::Checked checked = summaries::check({
        m_ui->txtAnno->text(),
        m_ui->txtCliente->text(),
        m_ui->txtTarga->text(),
        m_ui->txtGiornoInizio->currentText(),
        m_ui->txtMeseInizio->currentText(),
        m_ui->txtGiornoFine->currentText(),
        m_ui->txtMeseFine->currentText(),
    });
    if (!checked.ok()) {
        using Field = summaries::Checked::Field;
        m_ui->lblAttendere->setVisible(false);
        ui::messages::warning(checked.message);
        QWidget* focus = checked.field == Field::Year ? static_cast<QWidget*>(m_ui->txtAnno)
            : checked.field == Field::StartDay        ? m_ui->txtGiornoInizio
            : checked.field == Field::StartMonth      ? m_ui->txtMeseInizio
            : checked.field == Field::EndDay          ? m_ui->txtGiornoFine
                                                      : m_ui->txtMeseFine;
        focus->setFocus();
        return;
    }
    summaries::Summary summary;
    try {
        summary = summaries::summarise(programFolder::file(programFolder::Appointments), checked.criteria);
    } catch (const AccessFailure& failure) {
        m_ui->lblAttendere->setVisible(false);
        ui::messages::warning(failure.busy() ? failure.text() : AccessMessage);
        return;
    }
    PeriodSummary screen(checked.criteria, std::move(summary), this);
    screen.exec();
    m_ui->lblAttendere->setVisible(false);
}

void SummariesMenu::impClienteClick()
{
    ContactSearch search(
        [this](const ContactRecord& r, qint64) { importContact(r.text(ContactField::fullName)); }, this);
    search.exec();
}

void SummariesMenu::importContact(const QString& fullName)
{
    m_ui->txtCliente->setText(fullName);
}
