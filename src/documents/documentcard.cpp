#include "documents/documentcard.h"

#include "documents/attachedfiles.h"
#include "documents/attachscreen.h"
#include "documents/documentprint.h"
#include "documents/documentrules.h"
#include "documents/documentsearch.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/cardprint.h"
#include "ui/datepicker.h"
#include "ui/services.h"

#include "ui_documentcard.h"

#include <QKeyEvent>

using namespace Qt::Literals::StringLiterals;
using F = DocumentField;

DocumentCard::DocumentCard(QWidget* parent)
    : ui::AreaScreen(parent)
    , m_ui(new Ui::DocumentCard)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::fitToScreen(this);
    setOpensMaximised(true);

    const auto required = [](const QString& what) -> QString {
        return u"Attenzione: per salvare la scheda è necessario indicare "_s + what + u"."_s;
    };
    using Card = ui::CardPattern<records::DocumentLayout>;
    const auto text = [](F field, QWidget* control, const QString& printed) {
        return Card::Binding { field, control, {}, {}, true, printed };
    };
    const auto cleared = [](F field, QWidget* control) { return Card::Binding { field, control, {}, {}, false }; };
    m_card = std::make_unique<Card>(
        Card::Setup { this, m_ui->lblPosizione, m_ui->btnFocus, m_ui->txtDocumento, programFolder::Documents },
        QList<Card::Binding> {
            { F::documentName, m_ui->txtDocumento, {}, required(u"il nome del documento"_s), true, u"Documento:"_s },
            text(F::protocolNumber, m_ui->txtProtocollo, u"Protocollo n."_s),
            { F::producer, m_ui->txtProduttore, {}, required(u"il nome del produttore del documento"_s), true,
                u"Produttore:"_s },
            text(F::producerAddress, m_ui->txtIndirizzoPro, u"Indirizzo produttore:"_s),
            { F::productionDate, m_ui->txtDataPro, {}, required(u"la data di produzione del documento"_s), true,
                u"Data produzione:"_s },
            text(F::recipient, m_ui->txtDestinatario, u"Destinatario:"_s),
            text(F::recipientAddress, m_ui->txtIndirizzoDes, u"Indirizzo destinatario:"_s),
            text(F::receiptDate, m_ui->txtDataDes, u"Data ricezione:"_s),
            text(F::subject, m_ui->txtOggetto, u"Oggetto:"_s),
            text(F::documentType, m_ui->txtTipo, u"Tipo documento:"_s),
            text(F::classification, m_ui->txtClassificazione, u"Classificazione:"_s),
            text(F::dossier, m_ui->txtFascicolo, u"Fascicolo contenitore:"_s),
            text(F::format, m_ui->txtFormato, u"Formato:"_s),
            text(F::pageCount, m_ui->txtPagine, u"N. pagine:"_s),
            text(F::enclosures, m_ui->txtAllegati, u"Allegati:"_s),
            text(F::references, m_ui->txtRiferimenti, u"Riferimenti:"_s),
            text(F::confidentialityLevel, m_ui->txtLivello, u"Livello di riservatezza:"_s),
            text(F::productionSoftware, m_ui->txtSoftware, u"Software di produzione:"_s),
            text(F::paperLocation, m_ui->txtLuogo, u"Luogo conservazione:"_s),
            text(F::citedParties, m_ui->txtSoggetti, u"Soggetti citati:"_s),
            text(F::notes, m_ui->txtNote, u"Note:"_s),
            cleared(F::digitalCopyFile, m_ui->txtCopia),
            cleared(F::toComplete, m_ui->chkDaCompletare),
            cleared(F::attachedFile1, m_ui->lblFile01),
            cleared(F::attachedFile2, m_ui->lblFile02),
            cleared(F::attachedFile3, m_ui->lblFile03),
            cleared(F::attachmentDescription1, m_ui->lblDesc01),
            cleared(F::attachmentDescription2, m_ui->lblDesc02),
            cleared(F::attachmentDescription3, m_ui->lblDesc03),
        });
    m_card->setHooks({ {}, {}, [this] { m_ui->txtDocumento->setFocus(); },
        [this] { m_newCopies.dropUnnamed(documents::attachments::folder()); } });
    m_card->setDuplicateFailureWarns(true);
    m_card->setAttachmentHolders(
        { m_ui->lblFile01, m_ui->lblFile02, m_ui->lblFile03 }, { m_ui->lblDesc01, m_ui->lblDesc02, m_ui->lblDesc03 });

    // The date fields take no typing: the picker fills them.
    ui::setPickedDateField(
        m_ui->txtDataPro, [this](const QString& typed) { pickDate(m_ui->txtDataPro, m_ui->txtDestinatario, typed); });
    ui::setPickedDateField(
        m_ui->txtDataDes, [this](const QString& typed) { pickDate(m_ui->txtDataDes, m_ui->txtOggetto, typed); });
    const QList<QList<QWidget*>> enterChains = {
        { m_ui->txtDocumento, m_ui->txtProtocollo, m_ui->txtProduttore, m_ui->txtIndirizzoPro, m_ui->txtDataPro },
        { m_ui->txtDestinatario, m_ui->txtIndirizzoDes, m_ui->txtDataDes },
        { m_ui->txtOggetto, m_ui->txtTipo, m_ui->txtClassificazione, m_ui->txtFascicolo, m_ui->txtFormato,
            m_ui->txtPagine, m_ui->txtAllegati, m_ui->txtRiferimenti, m_ui->txtLivello, m_ui->txtSoftware,
            m_ui->txtLuogo, m_ui->txtSoggetti, m_ui->txtNote, m_ui->txtCopia },
    };
    for (const QList<QWidget*>& chain : enterChains) {
        for (qsizetype i = 0; i + 1 < chain.size(); ++i)
            ui::setEnterMovesTo(chain[i], chain[i + 1]);
    }
    // The tab order follows the fields, the box before the notes, the copy's commands last.
    const QList<QWidget*> tabs = { m_ui->txtDocumento, m_ui->txtProtocollo, m_ui->txtProduttore, m_ui->txtIndirizzoPro,
        m_ui->txtDataPro, m_ui->txtDestinatario, m_ui->txtIndirizzoDes, m_ui->txtDataDes, m_ui->txtOggetto,
        m_ui->txtTipo, m_ui->txtClassificazione, m_ui->txtFascicolo, m_ui->txtFormato, m_ui->txtPagine,
        m_ui->txtAllegati, m_ui->txtRiferimenti, m_ui->txtLivello, m_ui->txtSoftware, m_ui->txtLuogo, m_ui->txtSoggetti,
        m_ui->chkDaCompletare, m_ui->txtNote, m_ui->txtCopia, m_ui->btnSfoglia, m_ui->btnApri };
    for (qsizetype i = 0; i + 1 < tabs.size(); ++i)
        setTabOrder(tabs[i], tabs[i + 1]);

    const QString dateHint
        = u"Fai clic su questo campo e premi un tasto qualsiasi per importare una data dal calendario."_s;
    auto* hints = new ui::StatusHints(this, m_ui->panInfo);
    hints->add({
        { m_ui->cmdTrova, u"Trova una scheda in archivio."_s },
        { m_ui->cmdFile, u"Allega file alla scheda corrente."_s },
        { m_ui->cmdStampa, u"Stampa la scheda corrente."_s },
        { m_ui->cmdEsporta, u"Esporta tutte le schede in archivio in un file di Microsoft Excel."_s },
        { m_ui->cmdDaCompletare, u"Visualizza il riepilogo dei documenti non ancora completati."_s },
        { m_ui->cmdGuida, u"Visualizza la guida in linea."_s },
        { m_ui->cmdEsci, u"Esci da questa schermata di lavoro."_s },
        { m_ui->chkDaCompletare,
            u"Spunta questa casella per indicare che il documento deve ancora essere completato."_s },
        { m_ui->txtDataPro, dateHint },
        { m_ui->txtDataDes, dateHint },
        { m_ui->btnSfoglia, u"Seleziona il file da allegare alla scheda corrente."_s },
        { m_ui->btnApri, u"Apri il file allegato alla scheda corrente."_s },
        { m_ui->btnCancella, u"Cancella il percorso del file allegato alla scheda corrente."_s },
    });
    m_ui->panInfo->setText(u"Pronto per archiviare una nuova scheda..."_s);

    ui::connectCardCommands(this, *m_card, *hints);
    connect(m_ui->cmdTrova, &QToolButton::clicked, this, [this] {
        DocumentSearch search([this](const DocumentRecord& r, qint64 p) { showRecord(r, p); }, this);
        search.exec();
    });
    connect(m_ui->cmdFile, &QToolButton::clicked, this, &DocumentCard::cmdFileClick);
    connect(m_ui->cmdStampa, &QToolButton::clicked, this, &DocumentCard::cmdStampaClick);
    connect(m_ui->cmdDaCompletare, &QToolButton::clicked, this, [this] {
        ui::ListScreen list(toCompleteList(), this);
        list.exec();
    });
    connect(m_ui->cmdEsporta, &QToolButton::clicked, this, [this] {
        ui::ExportScreen screen(exportDefinition(), this);
        screen.exec();
    });
    ui::setHelpTopic(this, u"Applicazione Archivio Documenti."_s);
    connect(m_ui->cmdEsci, &QToolButton::clicked, this, &QWidget::close);

    // The digital copy.
    documents::followSlot(m_ui->txtCopia, m_ui->btnApri);
    connect(m_ui->btnSfoglia, &QPushButton::clicked, this,
        [this] { documents::chooseInto(this, m_ui->txtCopia, attachmentOwner()); });
    connect(m_ui->btnApri, &QPushButton::clicked, this, [this] { documents::openAttachment(m_ui->txtCopia->text()); });
    connect(m_ui->btnCancella, &QToolButton::clicked, this, [this] { m_ui->txtCopia->clear(); });
    m_card->newCard();
}

DocumentCard::~DocumentCard() = default;

documents::attachments::Owner DocumentCard::attachmentOwner()
{
    return { programFolder::Documents, m_card->position(), &m_newCopies };
}

void DocumentCard::opening()
{
    m_card->newCard();
}

bool DocumentCard::mayLeave()
{
    return m_card->confirmLeave();
}

void DocumentCard::showRecord(const DocumentRecord& record, qint64 position)
{
    m_card->showRecord(record, position);
}

void DocumentCard::pickDate(QLineEdit* field, QWidget* next, const QString& typed)
{
    ui::DatePicker picker(field, this, typed);
    if (picker.exec() == QDialog::Accepted)
        next->setFocus();
}

void DocumentCard::cmdFileClick()
{
    AttachScreen screen(
        m_card->attachments(), [this](const ui::Attachments& a) { m_card->setAttachments(a); }, attachmentOwner(),
        this);
    screen.exec();
}

void DocumentCard::cmdStampaClick()
{
    ui::CardPrintConfirm screen({ ui::CardPrintConfirm::Output::Printer, u"frmStampaAltri"_s,
                                    u"Stampa su carta la scheda corrente con i dati immessi.\n"
                                    u"Premere Stampa per avviare, Annulla per rinunciare."_s,
                                    [this] { return documents::documentCardReport(m_card->printRows()); } },
        this);
    screen.exec();
}

ui::ListDefinition DocumentCard::toCompleteList()
{
    const QString path = programFolder::file(programFolder::Documents);
    return { u"frmDaCompletare"_s, u" Riepilogo documenti da completare"_s, u"Riepilogo documenti da completare"_s,
        lists::LineOrder::Text,
        [path] {
            try {
                return documents::toCompleteRows(path);
            } catch (const AccessFailure& failure) {
                // A list read only halfway would pass for the whole archive.
                ui::messages::plain(failure.text());
                return lists::Rows();
            }
        },
        [this](qint64 position) { m_card->showRecordAt(position); } };
}

ui::ExportDefinition DocumentCard::exportDefinition()
{
    return ui::exportOf(
        { u"frmExpAltri"_s, u" Esporta archivio documenti in Microsoft Excel"_s, u"Altri_Documenti.xls"_s,
            u"Altri Documenti"_s, u"Esportazione archivio documenti in Microsoft Excel."_s, {}, {} },
        documents::exportTable(), programFolder::Documents);
}
