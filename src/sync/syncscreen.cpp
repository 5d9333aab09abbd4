#include "sync/syncscreen.h"

#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "sync/backgroundsync.h"
#include "sync/conflictscreen.h"
#include "sync/davclient.h"
#include "sync/keyring.h"
#include "sync/syncrun.h"
#include "sync/syncstate.h"
#include "ui/listscreen.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_syncscreen.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// How long the state's reading waits for a sync under way before it says so.
constexpr int StateWaitMs = 500;

// How long the sync on command waits for another workstation's.
constexpr int LockWaitMs = 5000;

// The address chosen in a box: the address of a found collection, or what was typed.
QString addressIn(const QComboBox* box)
{
    const int index = box->findText(box->currentText());
    if (index >= 0 && box->itemData(index).isValid())
        return box->itemData(index).toString();
    return box->currentText().trimmed();
}

// The collections found on `server`, the one chosen before kept when it is
// one of them (or typed for this server); one of another server gives way.
void fill(QComboBox* box, const QList<davsync::Collection>& collections, const QUrl& server)
{
    const QString chosen = davsync::chooseCollection(addressIn(box), server, collections);
    box->clear();
    for (const davsync::Collection& collection : collections)
        box->addItem(collection.name + u" — "_s + collection.url.toString(), collection.url.toString());
    const int kept = box->findData(chosen);
    if (kept >= 0)
        box->setCurrentIndex(kept);
    else
        box->setEditText(chosen);
}

bool stateExists()
{
    return QFileInfo::exists(programFolder::file(davsync::SyncState::FileName));
}

} // namespace

namespace {

void agreeMinutes(QSpinBox* minutes)
{
    minutes->setSuffix(minutes->value() == 1 ? u" minuto"_s : u" minuti"_s);
}

} // namespace

SyncScreen::SyncScreen(QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::SyncScreen)
{
    m_ui->setupUi(this);
    ui::setHelpTopic(this, u"Sincronizzazione con il server di calendario."_s);
    ui::applyIcons(this);
    connect(m_ui->cmdCerca, &QPushButton::clicked, this, &SyncScreen::cmdCercaClick);
    connect(m_ui->cmdProva, &QPushButton::clicked, this, &SyncScreen::cmdProvaClick);
    connect(m_ui->cmdSincronizza, &QPushButton::clicked, this, &SyncScreen::cmdSincronizzaClick);
    connect(m_ui->cmdConflitti, &QPushButton::clicked, this, &SyncScreen::cmdConflittiClick);
    connect(m_ui->cmdEliminati, &QPushButton::clicked, this, &SyncScreen::cmdEliminatiClick);
    // Whoever started it (this screen or the automatic sync), a sync under way shows its progress here.
    connect(&BackgroundSync::shared(), &BackgroundSync::progressed, this, &SyncScreen::showProgress);
    connect(&BackgroundSync::shared(), &BackgroundSync::finished, this, &SyncScreen::syncFinished);
    connect(m_ui->cmdSalva, &QPushButton::clicked, this, [this] {
        if (saveSettings())
            ui::messages::information(u"Impostazioni di sincronizzazione salvate."_s);
    });
    connect(m_ui->cmdChiudi, &QPushButton::clicked, this, &QDialog::close);
    connect(m_ui->chkAutomatica, &QCheckBox::toggled, m_ui->txtMinuti, &QWidget::setEnabled);
    connect(m_ui->txtMinuti, &QSpinBox::valueChanged, this, [this] { agreeMinutes(m_ui->txtMinuti); });
}

SyncScreen::~SyncScreen() = default;

void SyncScreen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const davsync::Settings settings = davsync::Settings::load();
    m_ui->txtServer->setText(settings.server);
    m_ui->txtUtente->setText(settings.user);
    m_ui->chkHttp->setChecked(settings.allowPlainHttp);
    m_ui->txtCalendario->setEditText(settings.calendar);
    m_ui->txtRubrica->setEditText(settings.addressBook);
    m_ui->chkAutomatica->setChecked(settings.automatic);
    m_ui->txtMinuti->setValue(settings.minutes);
    agreeMinutes(m_ui->txtMinuti);
    m_ui->txtMinuti->setEnabled(settings.automatic);
    if (!settings.server.isEmpty() && !settings.user.isEmpty())
        m_ui->txtPassword->setText(davsync::keyring::read(settings));
    showStatus();
    if (BackgroundSync::shared().running())
        setBusy(true);
}

davsync::Settings SyncScreen::fromControls() const
{
    davsync::Settings settings;
    settings.server = m_ui->txtServer->text().trimmed();
    settings.user = m_ui->txtUtente->text().trimmed();
    settings.allowPlainHttp = m_ui->chkHttp->isChecked();
    settings.calendar = addressIn(m_ui->txtCalendario);
    settings.addressBook = addressIn(m_ui->txtRubrica);
    settings.automatic = m_ui->chkAutomatica->isChecked();
    settings.minutes = m_ui->txtMinuti->value();
    return settings;
}

bool SyncScreen::saveSettings()
{
    const davsync::Settings settings = fromControls();
    if (!hasAddress(settings))
        return false;
    try {
        davsync::checkAddress(QUrl(settings.server), settings.allowPlainHttp);
    } catch (const davsync::DavError& error) {
        ui::messages::warning(error.message());
        return false;
    }
    if (!settings.save()) {
        ui::messages::error(u"Impossibile salvare le impostazioni di sincronizzazione nella cartella del programma: "
                            u"controllare che sia scrivibile."_s);
        return false;
    }
    const QString password = m_ui->txtPassword->text();
    if (!password.isEmpty()) {
        const QString refused = davsync::keyring::write(settings, password);
        if (!refused.isEmpty())
            ui::messages::warning(refused);
    }
    return true;
}

void SyncScreen::setBusy(bool busy)
{
    // Chiudi stays: a sync goes on with the screen closed, and its outcome is shown next time.
    for (QWidget* command : { static_cast<QWidget*>(m_ui->cmdCerca), static_cast<QWidget*>(m_ui->cmdProva),
             static_cast<QWidget*>(m_ui->cmdSincronizza), static_cast<QWidget*>(m_ui->cmdSalva),
             static_cast<QWidget*>(m_ui->cmdConflitti), static_cast<QWidget*>(m_ui->cmdEliminati) })
        command->setEnabled(!busy);
    if (busy)
        m_ui->lblStato->setText(u"Collegamento al server in corso…"_s);
    else
        m_ui->prgSincronizzazione->hide();
}

void SyncScreen::showProgress(const davsync::Progress& progress)
{
    setBusy(true);
    m_ui->lblStato->setText(u"Sincronizzazione in corso: %1."_s.arg(progress.step.toLower()));
    m_ui->prgSincronizzazione->setRange(0, std::max(progress.total, 1));
    m_ui->prgSincronizzazione->setValue(progress.total ? progress.done : 1);
    m_ui->prgSincronizzazione->show();
}

void SyncScreen::syncFinished(const davsync::Summary& summary, const QString& failure, bool)
{
    setBusy(false);
    showStatus();
    if (!std::exchange(m_waiting, false))
        return;
    if (!failure.isEmpty()) {
        ui::messages::error(failure);
        return;
    }
    QStringList lines { davsync::describe(summary) };
    lines += summary.notes.mid(0, 20);
    if (summary.notes.size() > 20)
        lines.append(summary.notes.size() == 21 ? u"… e un altro avviso."_s
                                                : u"… e altri %1 avvisi."_s.arg(summary.notes.size() - 20));
    ui::messages::information(lines.join(u'\n'));
}

void SyncScreen::open(davsync::Kind kind, qint64 position)
{
    m_toOpen = std::pair { kind, position };
    accept();
}

bool SyncScreen::hasAddress(const davsync::Settings& settings)
{
    if (!settings.server.isEmpty())
        return true;
    ui::messages::warning(u"Indicare l'indirizzo del server."_s);
    m_ui->txtServer->setFocus();
    return false;
}

void SyncScreen::cmdCercaClick()
{
    const davsync::Settings settings = fromControls();
    if (!hasAddress(settings))
        return;
    setBusy(true);
    try {
        davsync::checkAddress(QUrl(settings.server), settings.allowPlainHttp);
        davsync::DavClient client(QUrl(settings.server), settings.user, m_ui->txtPassword->text());
        const davsync::Discovery found = client.discover();
        fill(m_ui->txtCalendario, found.calendars, QUrl(settings.server));
        fill(m_ui->txtRubrica, found.addressBooks, QUrl(settings.server));
        setBusy(false);
        showStatus();
        ui::messages::information(u"Server %1, utente %2: calendari trovati %3, rubriche trovate %4."_s
                                      .arg(client.serverName(), settings.user)
                                      .arg(found.calendars.size())
                                      .arg(found.addressBooks.size()));
    } catch (const davsync::DavError& error) {
        setBusy(false);
        showStatus();
        ui::messages::error(error.message());
    }
}

void SyncScreen::cmdProvaClick()
{
    const davsync::Settings settings = fromControls();
    if (!hasAddress(settings))
        return;
    setBusy(true);
    QStringList report;
    bool allWell = true;
    try {
        davsync::checkAddress(QUrl(settings.server), settings.allowPlainHttp);
        davsync::DavClient client(QUrl(settings.server), settings.user, m_ui->txtPassword->text());
        const davsync::Discovery found = client.discover();
        report.append(u"Server %1 raggiunto, nome utente e password accettati."_s.arg(client.serverName()));
        const auto check = [&](const QString& address, const QList<davsync::Collection>& collections,
                               const QString& what, const QString& seen) {
            if (address.isEmpty()) {
                report.append(u"%1: nessuna raccolta scelta, non si sincronizza."_s.arg(what));
                return;
            }
            for (const davsync::Collection& collection : collections)
                if (collection.url == QUrl(address)) {
                    report.append(u"%1 \"%2\": %3."_s.arg(what, collection.name, seen));
                    return;
                }
            try {
                client.etags(QUrl(address));
                report.append(u"%1 %2: raggiungibile."_s.arg(what, address));
            } catch (const davsync::DavError& error) {
                allWell = false;
                report.append(u"%1 %2: non raggiungibile. %3"_s.arg(what, address, error.message()));
            }
        };
        check(settings.calendar, found.calendars, u"Calendario"_s, u"trovato"_s);
        check(settings.addressBook, found.addressBooks, u"Rubrica"_s, u"trovata"_s);
    } catch (const davsync::DavError& error) {
        allWell = false;
        report.append(error.message());
    }
    setBusy(false);
    showStatus();
    if (allWell)
        ui::messages::information(report.join(u'\n'));
    else
        ui::messages::error(report.join(u'\n'));
}

void SyncScreen::cmdSincronizzaClick()
{
    if (!saveSettings())
        return;
    const davsync::Settings settings = davsync::Settings::load();
    QString password = m_ui->txtPassword->text();
    if (password.isEmpty())
        password = davsync::keyring::password(settings);
    if (!BackgroundSync::shared().start(settings, password, LockWaitMs)) {
        ui::messages::information(u"Una sincronizzazione è già in corso: il suo esito sarà mostrato qui al termine."_s);
        return;
    }
    m_waiting = true;
    setBusy(true);
}

namespace {

// One line of a record in the lists of this screen: "Appuntamento n. 12  15/12/2026 10:30  Riunione".
QString recordLine(davsync::Kind kind, qint64 position)
{
    const bool appointment = kind == davsync::Kind::Appointments;
    const QString path = programFolder::file(appointment ? programFolder::Appointments : programFolder::Contacts);
    const int size = appointment ? AppointmentRecord::Size : ContactRecord::Size;
    QString text;
    if (position > 0 && position <= archive::count(path, size)) {
        QByteArray bytes(size, '\0');
        archive::readAt(path, size, position, bytes.data());
        if (appointment) {
            const AppointmentRecord r = AppointmentRecord::fromBytes(bytes.constData());
            const QString hour = r.text(AppointmentField::hour);
            const QString time = hour.isEmpty() ? QString() : hour + u':' + r.text(AppointmentField::minute);
            text = u"%1 %2   %3"_s.arg(r.text(AppointmentField::date), time, r.text(AppointmentField::purpose));
        } else {
            text = ContactRecord::fromBytes(bytes.constData()).text(ContactField::fullName);
        }
    }
    return u"%1 n. %2   %3"_s.arg(appointment ? u"Appuntamento"_s : u"Contatto"_s).arg(position).arg(text);
}

} // namespace

void SyncScreen::listRecords(const QString& objectName, const QString& caption, const QString& printTitle,
    const QStringList& lines, const std::function<std::optional<RecordRef>(qsizetype)>& pick)
{
    std::optional<RecordRef> chosen;
    ui::ListDefinition definition;
    definition.objectName = objectName;
    definition.caption = caption;
    definition.printTitle = printTitle;
    definition.order = lists::LineOrder::Text;
    definition.rows = [&lines] {
        lists::Rows rows;
        for (qsizetype i = 0; i < lines.size(); ++i)
            rows.append({ lines[i], i + 1 });
        return rows;
    };
    definition.pick = [&](qint64 row) { chosen = pick(qsizetype(row - 1)); };
    ui::ListScreen list(definition, this);
    list.exec();
    showStatus();
    if (chosen)
        open(chosen->first, chosen->second);
}

void SyncScreen::cmdConflittiClick()
{
    QList<davsync::OpenConflict> conflicts;
    try {
        conflicts = davsync::openConflicts(StateWaitMs);
    } catch (const std::exception& failure) {
        ui::messages::error(davsync::failureMessage(failure));
        return;
    }
    QStringList lines;
    for (const davsync::OpenConflict& conflict : conflicts)
        lines.append(u"%1   %2"_s.arg(
            conflict.moment.toString(u"dd/MM/yyyy HH:mm"_s), recordLine(conflict.kind, conflict.copy)));
    // A copy opens beside its record, to be settled.
    listRecords(u"frmConflitti"_s, u"Copie in conflitto"_s, u"Copie in conflitto conservate dalla sincronizzazione"_s,
        lines, [&](qsizetype row) -> std::optional<RecordRef> {
            const davsync::OpenConflict& conflict = conflicts[row];
            ConflictScreen screen(conflict, this);
            screen.exec();
            if (screen.choice() == ConflictScreen::Choice::OpenCopy)
                return RecordRef { conflict.kind, conflict.copy };
            return std::nullopt;
        });
}

void SyncScreen::cmdEliminatiClick()
{
    QList<RecordRef> removed;
    try {
        removed = davsync::removedOnServer(StateWaitMs);
    } catch (const std::exception& failure) {
        ui::messages::error(davsync::failureMessage(failure));
        return;
    }
    QStringList lines;
    for (const auto& [kind, position] : removed)
        lines.append(recordLine(kind, position));
    listRecords(u"frmEliminati"_s, u"Eliminati sul server"_s,
        u"Appuntamenti e contatti eliminati sul server, conservati nell'archivio"_s, lines,
        [&](qsizetype row) { return std::optional(removed[row]); });
}

void SyncScreen::showStatus()
{
    QString text = u"Nessuna sincronizzazione finora."_s;
    if (stateExists()) {
        try {
            davsync::SyncState state(programFolder::file(davsync::SyncState::FileName), StateWaitMs);
            if (const auto last = state.lastRun())
                text = u"Ultima sincronizzazione: %1, %2\n%3"_s.arg(last->moment.toString(u"dd/MM/yyyy HH:mm"_s),
                    last->ok ? u"riuscita."_s : u"non riuscita."_s, last->outcome);
            const QList<davsync::SyncState::Conflict> kept = state.conflicts();
            const auto conflicts = std::count_if(
                kept.cbegin(), kept.cend(), [](const davsync::SyncState::Conflict& c) { return !c.settled; });
            if (conflicts)
                text += u"\nCopie in conflitto da risolvere: %1."_s.arg(conflicts);
            qsizetype removed = 0;
            for (const davsync::Kind kind : { davsync::Kind::Appointments, davsync::Kind::Contacts })
                for (const davsync::SyncState::ItemRow& row : state.items(kind))
                    removed += row.removed && row.position > 0;
            if (removed)
                text += u"\nSchede eliminate sul server e conservate nell'archivio: %1."_s.arg(removed);
            m_ui->cmdConflitti->setEnabled(conflicts > 0);
            m_ui->cmdEliminati->setEnabled(removed > 0);
        } catch (const davsync::StateFailure& failure) {
            text = failure.message();
        } catch (const davsync::StateBusy&) {
            text = u"Sincronizzazione in corso su una postazione: il suo esito sarà mostrato al termine."_s;
        }
    } else {
        m_ui->cmdConflitti->setEnabled(false);
        m_ui->cmdEliminati->setEnabled(false);
    }
    m_ui->lblStato->setText(text);
}
