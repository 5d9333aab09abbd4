#include "backup/toolsscreen.h"

#include "backup/archivecheck.h"
#include "backup/backuprules.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_toolsscreen.h"

#include <QCloseEvent>
#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString Idle = u"Nessuna operazione in corso."_s;
}

ToolsScreen::ToolsScreen(QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::ToolsScreen)
{
    m_ui->setupUi(this);
    ui::setHelpTopic(this, u"Strumenti: copie di sicurezza e verifica degli archivi."_s);
    ui::applyIcons(this);
    setMinimumSize(size());
    m_ui->txtConserva->setValue(backup::DefaultKeep);
    connect(m_ui->cmdCopia, &QPushButton::clicked, this, &ToolsScreen::cmdCopiaClick);
    connect(m_ui->cmdRipristina, &QPushButton::clicked, this, &ToolsScreen::cmdRipristinaClick);
    connect(m_ui->cmdVerifica, &QPushButton::clicked, this, &ToolsScreen::cmdVerificaClick);
    connect(m_ui->cmdAnnulla, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    connect(m_ui->cmdChiudi, &QPushButton::clicked, this, &QDialog::close);
}

ToolsScreen::~ToolsScreen() = default;

// The work runs on the screen's thread; its progress lets the screen
// repaint and take a click on "Annulla" between two steps.
struct ToolsScreen::Busy {
    ToolsScreen* screen;
    backup::Progress progress() const
    {
        backup::Progress p;
        ToolsScreen* s = screen;
        p.step = [s](qint64 done, qint64 total) {
            s->m_ui->prbAvanzamento->setValue(total > 0 ? int(done * 1000 / total) : 0);
            QCoreApplication::processEvents();
        };
        p.cancelled = [s] { return s->m_cancelled; };
        return p;
    }
};

void ToolsScreen::setBusy(const QString& activity, bool cancellable)
{
    m_busy = true;
    m_cancelled = false;
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_ui->cmdCopia, m_ui->cmdRipristina, m_ui->cmdVerifica, m_ui->cmdChiudi, m_ui->txtConserva })
        w->setEnabled(false);
    m_ui->cmdAnnulla->setEnabled(cancellable);
    m_ui->lblAttivita->setText(activity);
    m_ui->prbAvanzamento->setValue(0);
    QCoreApplication::processEvents();
}

void ToolsScreen::setIdle(const QString& activity)
{
    m_busy = false;
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_ui->cmdCopia, m_ui->cmdRipristina, m_ui->cmdVerifica, m_ui->cmdChiudi, m_ui->txtConserva })
        w->setEnabled(true);
    m_ui->cmdAnnulla->setEnabled(false);
    m_ui->lblAttivita->setText(activity);
}

void ToolsScreen::showResults(const QStringList& lines)
{
    m_ui->txtRisultati->setPlainText(lines.join(u'\n'));
}

void ToolsScreen::cmdCopiaClick()
{
    const QString folder
        = ui::fileDialog::folderName(this, u"Selezionare la cartella in cui scrivere la copia di sicurezza:"_s);
    if (folder.isEmpty())
        return;
    m_ui->txtRisultati->clear();
    setBusy(u"Copia di sicurezza in corso..."_s, true);
    const backup::Result result = backup::makeBackup(
        programFolder::path(), folder, m_ui->txtConserva->value(), ui::clock::now(), Busy { this }.progress());
    setIdle(Idle);
    QStringList lines { result.message };
    for (const QString& removed : result.removed)
        lines << u"Rimossa la copia meno recente: %1"_s.arg(removed);
    showResults(lines);
    if (result.ok()) {
        m_ui->prbAvanzamento->setValue(m_ui->prbAvanzamento->maximum());
        ui::messages::information(result.message);
    } else if (result.outcome == backup::Result::Outcome::Cancelled) {
        m_ui->prbAvanzamento->setValue(0);
        ui::messages::information(result.message);
    } else {
        m_ui->prbAvanzamento->setValue(0);
        ui::messages::error(result.message);
    }
}

void ToolsScreen::cmdRipristinaClick()
{
    const QString file = ui::fileDialog::openFileName(this, u"Selezionare la copia di sicurezza da ripristinare:"_s,
        u"Copie di sicurezza (*.zip);;Tutti i file (*.*)"_s);
    if (file.isEmpty())
        return;
    if (!ui::messages::confirm(
            u"Attenzione: il ripristino sostituisce archivi, allegati e password con quelli della copia scelta. "
            u"I dati attuali saranno spostati in una cartella datata nella cartella del programma.\r\n\r\n"
            u"Si vuole procedere con il ripristino?"_s))
        return;
    m_ui->txtRisultati->clear();
    setBusy(u"Controllo della copia e ripristino in corso..."_s, false);
    backup::Progress progress = Busy { this }.progress();
    progress.confirm = [](const QString& question) { return ui::messages::confirm(question); };
    const backup::Result result = backup::restore(programFolder::path(), file, ui::clock::now(), progress);
    setIdle(Idle);
    showResults({ result.message });
    m_ui->prbAvanzamento->setValue(result.ok() ? m_ui->prbAvanzamento->maximum() : 0);
    if (result.ok())
        ui::messages::information(result.message);
    else if (result.outcome == backup::Result::Outcome::Refused)
        ui::messages::warning(result.message);
    else
        ui::messages::error(result.message);
}

void ToolsScreen::cmdVerificaClick()
{
    m_ui->txtRisultati->clear();
    setBusy(u"Verifica degli archivi in corso..."_s, true);
    backup::check::Report report;
    try {
        report = backup::check::run(programFolder::path(), Busy { this }.progress());
    } catch (const AccessFailure&) {
        setIdle(Idle);
        m_ui->prbAvanzamento->setValue(0);
        ui::messages::error(AccessFailure::message());
        return;
    }
    setIdle(Idle);
    showResults(report.lines());
    if (report.cancelled) {
        m_ui->prbAvanzamento->setValue(0);
        return;
    }
    m_ui->prbAvanzamento->setValue(m_ui->prbAvanzamento->maximum());
    if (!report.hasDamagedBytes())
        return;
    const QString out = programFolder::file(backup::check::DamagedFileName);
    if (!ui::messages::confirm(
            u"Sono stati trovati record danneggiati.\r\n\r\nSi vogliono copiare i loro byte nel file "
            u"%1 della cartella del programma, per esaminarli?"_s.arg(backup::check::DamagedFileName)))
        return;
    setBusy(u"Copia dei record danneggiati in corso..."_s, true);
    QString writeError;
    try {
        report = backup::check::run(programFolder::path(), Busy { this }.progress(), out, &writeError);
    } catch (const AccessFailure&) {
        writeError = AccessFailure::message();
    }
    setIdle(Idle);
    if (!writeError.isEmpty())
        ui::messages::error(u"Impossibile scrivere il file %1 (%2)."_s.arg(out, writeError));
    else if (!report.cancelled)
        ui::messages::information(u"Byte dei record danneggiati copiati nel file %1."_s.arg(out));
}

void ToolsScreen::closeEvent(QCloseEvent* event)
{
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void ToolsScreen::reject()
{
    if (!m_busy)
        QDialog::reject();
}
