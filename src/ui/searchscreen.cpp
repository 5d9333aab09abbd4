#include "ui/searchscreen.h"

#include "storage/archivefile.h"
#include "storage/texts.h"
#include "ui/linelist.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace ui {

SearchScreen::SearchScreen(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
}

template <typename T>
T* SearchScreen::part(const char* name) const
{
    T* found = findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "SearchScreen", name);
    return found;
}

void SearchScreen::setUpSearch(Definition definition)
{
    m_definition = std::move(definition);
    applyIcons(this);
    bindCommandKeys(this);
    m_waiting = part<QLabel>("lblAttendere");
    m_list = new LineList(part<QListView>("lstRecords"), m_definition.order, 12);
    const auto& fields = m_definition.criteria;
    for (qsizetype i = 0; i < fields.size() && i < m_definition.frames.size(); ++i)
        attachFocusFrame(fields[i], m_definition.frames[i]);
    setEnterCycle(QList<QWidget*>(fields.begin(), fields.end()));
    auto* findText = part<QLineEdit>("txtTrova");
    setEnterMovesTo(findText, part<QPushButton>("btnTrova"));
    auto* search = part<QPushButton>("btnCerca");
    search->installEventFilter(this);

    connect(search, &QPushButton::clicked, this, &SearchScreen::btnCercaClick);
    connect(part<QPushButton>("btnAnnulla"), &QPushButton::clicked, this, &QDialog::reject);
    connect(part<QPushButton>("btnTrova"), &QPushButton::clicked, this,
        [this, findText] { m_list->find(findText->text()); });
    connect(part<QPushButton>("btnStampa"), &QPushButton::clicked, this,
        [this] { m_list->print(m_definition.printTitle, this); });
    connect(part<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &LineList::activated, this, &SearchScreen::activated);
    m_waiting->setVisible(false);
    part<QWidget>("panContainer")->setVisible(false);
    if (!fields.isEmpty())
        fields.first()->setFocus();
}

bool SearchScreen::eventFilter(QObject* watched, QEvent* event)
{
    // The waiting line shows from the moment the button is pressed.
    if (event->type() == QEvent::MouseButtonPress && watched->objectName() == u"btnCerca"_s) {
        m_waiting->setVisible(true);
        m_waiting->repaint();
    }
    return QDialog::eventFilter(watched, event);
}

void SearchScreen::btnCercaClick()
{
    m_waiting->setVisible(true);
    QStringList typed;
    int used = 0;
    for (QLineEdit* field : std::as_const(m_definition.criteria)) {
        typed << field->text();
        used += texts::trim(field->text()).isEmpty() ? 0 : 1;
    }
    if (auto* count = findChild<QLabel*>(u"lblConta"_s))
        count->setText(QString::number(used));
    lists::Rows rows;
    try {
        rows = m_definition.search(typed);
    } catch (const AccessFailure& failure) {
        m_waiting->setVisible(false);
        messages::plain(failure.text());
        return;
    }
    const qsizetype found = rows.size();
    m_list->setRows(std::move(rows));
    part<QLabel>("lblTrovate")->setText(u"Il presente riepilogo contiene %1 schede."_s.arg(found));
    m_waiting->setVisible(false);
    part<QWidget>("panAvvio")->setVisible(false);
    part<QWidget>("panContainer")->setVisible(true);
    m_list->forgetFind();
    if (found > 0)
        m_list->selectRow(0);
    auto* findText = part<QLineEdit>("txtTrova");
    findText->clear();
    findText->setFocus();
}

void SearchScreen::activated(qint64 position)
{
    if (position > 0 && m_definition.pick)
        m_definition.pick(position);
    accept();
}

void SearchScreen::done(int result)
{
    if (m_list)
        m_list->clear();
    if (m_waiting)
        m_waiting->setVisible(false);
    QDialog::done(result);
}

} // namespace ui
