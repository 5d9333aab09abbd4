#include "sync/syncscreen.h"

#include "storage/archivefile.h"
#include "storage/programfolder.h"
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

void fill(QComboBox* box, const QList<davsync::Collection>& collections)
{
    const QString typed = box->currentText();
    box->clear();
    for (const davsync::Collection& collection : collections)
        box->addItem(collection.name + u" — "_s + collection.url.toString(), collection.url.toString());
    const int kept = box->findData(typed);
    if (kept >= 0)
        box->setCurrentIndex(kept);
    else if (!typed.isEmpty())
        box->setEditText(typed);
}

// The address chosen in a box: the address of a found collection, or what was typed.
QString addressIn(const QComboBox* box)
{
    const int index = box->findText(box->currentText());
    if (index >= 0 && box->itemData(index).isValid())
        return box->itemData(index).toString();
    return box->currentText().trimmed();
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
    for (QWidget* command : { static_cast<QWidget*>(m_ui->cmdCerca), static_cast<QWidget*>(m_ui->cmdProva),
             static_cast<QWidget*>(m_ui->cmdSincronizza), static_cast<QWidget*>(m_ui->cmdSalva),
             static_cast<QWidget*>(m_ui->cmdChiudi) })
        command->setEnabled(!busy);
    if (busy)
        m_ui->lblStato->setText(u"Collegamento al server in corso…"_s);
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
        fill(m_ui->txtCalendario, found.calendars);
        fill(m_ui->txtRubrica, found.addressBooks);
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
    setBusy(true);
    try {
        const davsync::Summary summary = davsync::synchronize(settings, password, LockWaitMs);
        setBusy(false);
        showStatus();
        QStringList lines { davsync::describe(summary) };
        lines += summary.notes.mid(0, 20);
        if (summary.notes.size() > 20)
            lines.append(summary.notes.size() == 21 ? u"… e un altro avviso."_s
                                                    : u"… e altri %1 avvisi."_s.arg(summary.notes.size() - 20));
        ui::messages::information(lines.join(u'\n'));
    } catch (const std::exception& failure) {
        setBusy(false);
        showStatus();
        ui::messages::error(davsync::failureMessage(failure));
    }
}

void SyncScreen::cmdConflittiClick()
{
    ui::ListDefinition definition;
    definition.objectName = u"frmConflitti"_s;
    definition.caption = u"Copie in conflitto"_s;
    definition.printTitle = u"Copie in conflitto conservate dalla sincronizzazione"_s;
    definition.order = lists::LineOrder::Text;
    definition.rows = [] {
        lists::Rows rows;
        if (!stateExists())
            return rows;
        try {
            davsync::SyncState state(programFolder::file(davsync::SyncState::FileName), StateWaitMs);
            for (const davsync::SyncState::Conflict& conflict : state.conflicts())
                rows.append({ u"%1   %2 n. %3"_s
                                  .arg(conflict.moment.toString(u"dd/MM/yyyy HH:mm"_s),
                                      conflict.kind == davsync::Kind::Appointments ? u"Appuntamento"_s : u"Contatto"_s)
                                  .arg(conflict.position),
                    conflict.position });
        } catch (const davsync::StateFailure& failure) {
            ui::messages::error(failure.message());
        } catch (const davsync::StateBusy&) {
            ui::messages::error(davsync::StateBusy::message());
        }
        return rows;
    };
    definition.pick = [](qint64) {};
    ui::ListScreen list(definition, this);
    list.exec();
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
            const qsizetype conflicts = state.conflicts().size();
            if (conflicts)
                text += u"\nCopie in conflitto conservate: %1."_s.arg(conflicts);
            m_ui->cmdConflitti->setEnabled(conflicts > 0);
        } catch (const davsync::StateFailure& failure) {
            text = failure.message();
        } catch (const davsync::StateBusy&) {
            text = u"Sincronizzazione in corso su una postazione: il suo esito sarà mostrato al termine."_s;
        }
    } else {
        m_ui->cmdConflitti->setEnabled(false);
    }
    m_ui->lblStato->setText(text);
}
