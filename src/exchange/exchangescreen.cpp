#include "exchange/exchangescreen.h"

#include "exchange/contentlines.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_exchangescreen.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;
using exchange::PlanEntry;

ExchangeScreen::ExchangeScreen(exchange::Archive archive, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::ExchangeScreen)
    , m_archive(archive)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    m_plan.archive = archive;
    const bool calendar = isCalendar();
    m_ui->lblTitolo->setText(
        calendar ? u"Appuntamenti come calendario iCalendar (.ics)"_s : u"Contatti come rubrica vCard (.vcf)"_s);
    m_ui->chkVCard4->setVisible(!calendar);
    m_ui->chkDatiFiscali->setVisible(!calendar);
    for (QWidget* w : { static_cast<QWidget*>(m_ui->lblDal), static_cast<QWidget*>(m_ui->txtDal),
             static_cast<QWidget*>(m_ui->lblAl), static_cast<QWidget*>(m_ui->txtAl) })
        w->setVisible(calendar);
    const auto range = exchange::ical::Range::nextTwelveMonths(ui::clock::today());
    m_ui->txtDal->setText(texts::formatDate(range.from));
    m_ui->txtAl->setText(texts::formatDate(range.to));
    m_ui->cmdConferma->setEnabled(false);
    clearPreview(u"Scegliere Esporta o Importa."_s);

    auto* hints = new ui::StatusHints(this, m_ui->panInfo);
    hints->add({
        { m_ui->cmdEsportaFile,
            calendar ? u"Esporta tutti gli appuntamenti in un file iCalendar."_s
                     : u"Esporta tutti i contatti in un file vCard."_s },
        { m_ui->cmdImportaFile,
            calendar ? u"Sceglie un file iCalendar e mostra che cosa verrà importato."_s
                     : u"Sceglie un file vCard e mostra che cosa verrà importato."_s },
        { m_ui->cmdConferma, u"Scrive in archivio le schede mostrate nell'anteprima."_s },
        { m_ui->cmdGuida, u"Visualizza la pagina della guida sensibile al contesto."_s },
        { m_ui->cmdEsci, u"Esci da questo ambiente di lavoro."_s },
        { m_ui->txtDal, u"Primo giorno delle ripetizioni da importare (gg/mm/aaaa)."_s },
        { m_ui->txtAl, u"Ultimo giorno delle ripetizioni da importare (gg/mm/aaaa)."_s },
        { m_ui->chkDatiFiscali, u"Esporta anche codice fiscale, partita IVA, IBAN e documento d'identità."_s },
    });
    m_ui->panInfo->setText(
        calendar ? u"Scambio degli appuntamenti con i calendari."_s : u"Scambio dei contatti con le rubriche."_s);
    ui::setEnterMovesTo(m_ui->txtDal, m_ui->txtAl);
    ui::setEnterMovesTo(m_ui->txtAl, m_ui->txtDal);

    connect(m_ui->cmdEsportaFile, &QToolButton::clicked, this, &ExchangeScreen::cmdEsportaFileClick);
    connect(m_ui->cmdImportaFile, &QToolButton::clicked, this, &ExchangeScreen::cmdImportaFileClick);
    connect(m_ui->cmdConferma, &QToolButton::clicked, this, &ExchangeScreen::cmdConfermaClick);
    ui::setHelpTopic(this, u"Scambio con calendari e rubriche."_s);
    connect(m_ui->cmdEsci, &QToolButton::clicked, this, &QDialog::reject);
    // A changed range shows the occurrences of the new one.
    for (QLineEdit* date : { m_ui->txtDal, m_ui->txtAl })
        connect(date, &QLineEdit::editingFinished, this, [this] {
            if (!m_bytes.isEmpty())
                preview();
        });
}

ExchangeScreen::~ExchangeScreen() = default;

void ExchangeScreen::clearPreview(const QString& summary)
{
    m_plan.entries.clear();
    m_ui->lstAnteprima->clear();
    m_ui->lblRiepilogo->setText(summary);
    m_ui->cmdConferma->setEnabled(false);
}

std::optional<exchange::ical::Range> ExchangeScreen::range() const
{
    const auto from = texts::parseDate(texts::trim(m_ui->txtDal->text()));
    const auto to = texts::parseDate(texts::trim(m_ui->txtAl->text()));
    if (!from || !to || *to < *from)
        return std::nullopt;
    return exchange::ical::Range { *from, *to };
}

void ExchangeScreen::cmdEsportaFileClick()
{
    const bool calendar = isCalendar();
    const QString path
        = ui::fileDialog::saveFileName(this, calendar ? u"Esporta gli appuntamenti"_s : u"Esporta i contatti"_s,
            calendar ? u"Calendario iCalendar (*.ics)"_s : u"Rubrica vCard (*.vcf)"_s,
            programFolder::file(calendar ? u"Appuntamenti.ics"_s : u"Contatti.vcf"_s));
    if (path.isEmpty())
        return;
    m_bytes.clear();
    try {
        const exchange::ExportOutcome outcome = calendar
            ? exchange::exportCalendar(path, ui::clock::now())
            : exchange::exportContacts(path, { m_ui->chkVCard4->isChecked(), m_ui->chkDatiFiscali->isChecked() });
        const QString text = exchange::exportText(m_archive, outcome, path);
        clearPreview(text);
        ui::messages::information(text);
    } catch (const exchange::WriteFailure& failure) {
        clearPreview(failure.message());
        ui::messages::error(failure.message());
    } catch (const AccessFailure&) {
        clearPreview(AccessFailure::message());
        ui::messages::error(AccessFailure::message());
    }
}

void ExchangeScreen::cmdImportaFileClick()
{
    const bool calendar = isCalendar();
    const QString path
        = ui::fileDialog::openFileName(this, calendar ? u"Importa gli appuntamenti"_s : u"Importa i contatti"_s,
            calendar ? u"Calendario iCalendar (*.ics *.ical *.ifb);;Tutti i file (*)"_s
                     : u"Rubrica vCard (*.vcf *.vcard);;Tutti i file (*)"_s);
    if (path.isEmpty())
        return;
    m_file = path;
    m_bytes.clear();
    try {
        m_bytes = exchange::readImportFile(path);
    } catch (const exchange::ReadFailure& failure) {
        clearPreview(failure.message());
        ui::messages::error(failure.message());
        return;
    } catch (const exchange::FileDamage& damage) {
        clearPreview(damage.message());
        ui::messages::error(damage.message());
        return;
    }
    preview();
}

void ExchangeScreen::preview()
{
    const auto chosen = range();
    if (isCalendar() && !chosen) {
        clearPreview(u"Indicare le date delle ripetizioni nella forma gg/mm/aaaa, la prima non dopo la seconda."_s);
        ui::messages::warning(m_ui->lblRiepilogo->text());
        return;
    }
    try {
        m_plan = isCalendar() ? exchange::planCalendarFile(m_bytes, *chosen) : exchange::planContactsFile(m_bytes);
    } catch (const exchange::FileDamage& damage) {
        m_bytes.clear();
        clearPreview(damage.message() + u" Nessuna scheda verrà importata."_s);
        ui::messages::error(damage.message() + u"\nNessuna scheda verrà importata."_s);
        return;
    } catch (const AccessFailure&) {
        clearPreview(AccessFailure::message());
        ui::messages::error(AccessFailure::message());
        return;
    }
    m_ui->lstAnteprima->clear();
    for (const PlanEntry& entry : m_plan.entries)
        m_ui->lstAnteprima->addItem(exchange::entryLine(entry));
    const bool work = m_plan.count(PlanEntry::Action::Add) + m_plan.count(PlanEntry::Action::Update) > 0;
    m_ui->lblRiepilogo->setText(u"File \"%1\". %2%3"_s.arg(QFileInfo(m_file).fileName(), exchange::planCounts(m_plan),
        work ? u" Premere Conferma per scrivere in archivio."_s : u" Non c'è nulla da importare."_s));
    m_ui->cmdConferma->setEnabled(work);
}

void ExchangeScreen::cmdConfermaClick()
{
    if (m_plan.count(PlanEntry::Action::Add) + m_plan.count(PlanEntry::Action::Update) == 0)
        return;
    try {
        const exchange::ImportOutcome outcome = exchange::applyImport(m_plan);
        m_bytes.clear();
        clearPreview(exchange::outcomeText(outcome));
        ui::messages::information(exchange::outcomeText(outcome));
    } catch (const exchange::PlanOutdated&) {
        clearPreview(exchange::PlanOutdated::message());
        ui::messages::warning(exchange::PlanOutdated::message());
        preview();
    } catch (const AccessFailure&) {
        clearPreview(AccessFailure::message());
        ui::messages::error(AccessFailure::message());
    }
}
