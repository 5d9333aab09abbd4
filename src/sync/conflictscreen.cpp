#include "sync/conflictscreen.h"

#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_conflictscreen.h"

#include <QHeaderView>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// How long settling waits for a sync under way.
constexpr int LockWaitMs = 5000;

// Each field's caption and text in the record at `position` of `Layout`'s archive.
template <typename Layout>
QList<std::pair<QString, QString>> fieldsOf(const QString& archive, qint64 position)
{
    using R = records::Record<Layout>;
    QList<std::pair<QString, QString>> fields;
    if (position <= 0 || position > archive::count(archive, R::Size))
        return fields;
    QByteArray bytes(R::Size, '\0');
    archive::readAt(archive, R::Size, position, bytes.data());
    const R record = R::fromBytes(bytes.constData());
    for (int f = 0; f < R::FieldCount; ++f)
        fields.append({ QStringView(Layout::Captions[size_t(f)]).toString(), record.text(typename R::Field(f)) });
    return fields;
}

QList<std::pair<QString, QString>> fieldsOf(davsync::Kind kind, qint64 position)
{
    return kind == davsync::Kind::Appointments
        ? fieldsOf<records::AppointmentLayout>(programFolder::file(programFolder::Appointments), position)
        : fieldsOf<records::ContactLayout>(programFolder::file(programFolder::Contacts), position);
}

} // namespace

ConflictScreen::ConflictScreen(const davsync::OpenConflict& conflict, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::ConflictScreen)
    , m_conflict(conflict)
{
    m_ui->setupUi(this);
    ui::setHelpTopic(this, u"Sincronizzazione con il server di calendario."_s);
    const bool appointment = conflict.kind == davsync::Kind::Appointments;
    const QString what = appointment ? u"dell'appuntamento"_s : u"del contatto"_s;
    m_ui->lblSpiegazione->setText(conflict.original > 0
            ? u"La scheda n. %2 %3 è stata cambiata sia qui sia sul server (sincronizzazione del %1): la versione "
              u"dell'archivio è andata al server, quella del server è conservata come copia, scheda n. %4. "
              u"Scegliere quale tenere; i campi diversi sono in grassetto."_s.arg(
                  conflict.moment.toString(u"dd/MM/yyyy 'alle' HH:mm"_s), QString::number(conflict.original), what,
                  QString::number(conflict.copy))
            : u"La scheda n. %1 è la versione del server di una scheda %2 che l'archivio non riconosce più (un "
              u"archivio ripristinato o copiato): si può tenerla come scheda a sé o segnarla come non più in uso."_s
                  .arg(conflict.copy)
                  .arg(what));
    m_ui->grdConfronto->setHorizontalHeaderLabels(
        { u"Campo"_s, conflict.original > 0 ? u"Nell'archivio (n. %1)"_s.arg(conflict.original) : u"Nell'archivio"_s,
            u"Dal server (copia n. %1)"_s.arg(conflict.copy) });
    const auto mine = fieldsOf(conflict.kind, conflict.original);
    const auto theirs = fieldsOf(conflict.kind, conflict.copy);
    m_ui->grdConfronto->setRowCount(int(theirs.size()));
    for (int row = 0; row < theirs.size(); ++row) {
        const QString here = mine.value(row).second;
        const QString there = theirs[row].second;
        const bool differs = conflict.original > 0 && here != there;
        const QStringList texts { theirs[row].first, here, there };
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (differs) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            m_ui->grdConfronto->setItem(row, column, item);
        }
    }
    m_ui->grdConfronto->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_ui->grdConfronto->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_ui->grdConfronto->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    // The first field that differs is in sight.
    for (int row = 0; row < m_ui->grdConfronto->rowCount(); ++row)
        if (m_ui->grdConfronto->item(row, 1)->font().bold()) {
            m_ui->grdConfronto->scrollToItem(m_ui->grdConfronto->item(row, 0), QAbstractItemView::PositionAtCenter);
            break;
        }
    m_ui->cmdTieniServer->setEnabled(conflict.original > 0);
    m_ui->cmdTieniArchivio->setText(
        conflict.original > 0 ? u"Tieni l'archivio"_s : u"Segna la copia come non più in uso"_s);

    connect(m_ui->cmdTieniArchivio, &QPushButton::clicked, this, [this] { settle(davsync::Settle::KeepArchive); });
    connect(m_ui->cmdTieniServer, &QPushButton::clicked, this, [this] { settle(davsync::Settle::KeepServer); });
    connect(m_ui->cmdTieniEntrambe, &QPushButton::clicked, this, [this] { settle(davsync::Settle::KeepBoth); });
    connect(m_ui->cmdApriCopia, &QPushButton::clicked, this, [this] {
        m_choice = Choice::OpenCopy;
        accept();
    });
    connect(m_ui->cmdChiudi, &QPushButton::clicked, this, &QDialog::reject);
}

ConflictScreen::~ConflictScreen() = default;

void ConflictScreen::settle(davsync::Settle how)
{
    try {
        davsync::settleConflict(m_conflict.id, how, LockWaitMs);
    } catch (const std::exception& failure) {
        ui::messages::error(davsync::failureMessage(failure));
        return;
    }
    m_choice = Choice::Settled;
    accept();
}
