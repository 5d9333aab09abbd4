#include "contacts/contactcard.h"

#include "checks/cardnumberwindow.h"
#include "checks/codicefiscalewindow.h"
#include "checks/ibanwindow.h"
#include "checks/partitaivawindow.h"
#include "contacts/contactprint.h"
#include "contacts/contactrules.h"
#include "contacts/contactsearch.h"
#include "exchange/exchangescreen.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/cardprint.h"
#include "ui/services.h"

#include "ui_contactcard.h"

#include <QKeyEvent>

using namespace Qt::Literals::StringLiterals;
using F = ContactField;

namespace {

QString trimmed(const QString& text)
{
    return texts::trim(text);
}
QString trimmedUpper(const QString& text)
{
    return texts::trim(text).toUpper();
}

bool allDigits(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

ContactCard::ContactCard(QWidget* parent)
    : ui::AreaScreen(parent)
    , m_ui(new Ui::ContactCard)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::fitToScreen(this);
    setOpensMaximised(true);
    m_ui->btnFocus->setFocusPolicy(Qt::NoFocus); // takes the focus only before a save

    using Card = ui::CardPattern<records::ContactLayout>;
    const auto text = [](F field, QWidget* control) { return Card::Binding { field, control }; };
    const auto holder = [](F field, QWidget* control) { return Card::Binding { field, control, {}, {}, false }; };
    m_card = std::make_unique<Card>(
        Card::Setup { this, m_ui->lblPosizione, m_ui->btnFocus, m_ui->txtCliente, programFolder::Contacts },
        QList<Card::Binding> {
            { F::fullName, m_ui->txtCliente, {},
                u"Attenzione: per salvare la scheda è necessario indicare il nome del contatto."_s },
            text(F::birthDate, m_ui->txtDataNasc),
            text(F::birthPlace, m_ui->txtComuneNasc),
            text(F::birthProvince, m_ui->txtProvNasc),
            text(F::sex, m_ui->txtSesso),
            text(F::preferredPhone, m_ui->txtRecapito),
            text(F::residenceAddress, m_ui->txtIndirizzoRes),
            text(F::residenceProvince, m_ui->txtProvRes),
            text(F::residenceTown, m_ui->txtComuneRes),
            text(F::postCode, m_ui->txtCapRes),
            text(F::paymentMethod, m_ui->txtEstremi),
            text(F::homePhone, m_ui->txtTelCasa),
            text(F::officePhone, m_ui->txtTelUff),
            text(F::mobilePhone, m_ui->txtTelCel),
            text(F::certifiedEmail, m_ui->txtFax),
            text(F::email, m_ui->txtEmail),
            text(F::taxCode, m_ui->txtCodFisc),
            text(F::cardNumber, m_ui->txtCarta),
            text(F::cardExpiry, m_ui->txtScadeCarta),
            text(F::vatNumber, m_ui->txtPartitaIva),
            text(F::iban, m_ui->txtIban),
            text(F::identityDocument, m_ui->txtDocumento),
            text(F::occupation, m_ui->txtOccupazione),
            text(F::maritalStatus, m_ui->txtCivile),
            text(F::qualifications, m_ui->txtTitoli),
            text(F::interests, m_ui->txtProdotti),
            text(F::zone, m_ui->txtZona),
            text(F::pendingIssues, m_ui->txtQuestioni),
            text(F::notes, m_ui->txtNote),
            text(F::toRecontact, m_ui->chkRicontatta),
            holder(F::attachedFile1, m_ui->lblFile01),
            holder(F::attachedFile2, m_ui->lblFile02),
            holder(F::attachedFile3, m_ui->lblFile03),
            holder(F::attachmentDescription1, m_ui->lblDesc01),
            holder(F::attachmentDescription2, m_ui->lblDesc02),
            holder(F::attachmentDescription3, m_ui->lblDesc03),
        });
    m_card->setHooks({
        [this] { m_ui->txtEmail->setText(texts::trim(m_ui->txtEmail->text())); },
        {},
        [this] { m_ui->txtCliente->setFocus(); },
        [this] { m_newCopies.dropUnnamed(documents::attachments::folder()); },
    });
    m_card->setAttachmentHolders(
        { m_ui->lblFile01, m_ui->lblFile02, m_ui->lblFile03 }, { m_ui->lblDesc01, m_ui->lblDesc02, m_ui->lblDesc03 });

    // Typing rules.
    for (QComboBox* province : { m_ui->txtProvNasc, m_ui->txtProvRes }) {
        province->addItems(contacts::provinceCodes());
        province->setCompleter(nullptr); // what is typed stays as typed
        province->lineEdit()->setMaxLength(2);
        province->setCurrentIndex(-1);
        ui::rewriteWhileTyping(province->lineEdit(), trimmedUpper);
        province->installEventFilter(this);
        province->lineEdit()->installEventFilter(this);
    }
    ui::rewriteWhileTyping(m_ui->txtSesso, [](const QString& t) { return t.toUpper(); });
    ui::rewriteWhileTyping(m_ui->txtCodFisc, trimmedUpper);
    ui::rewriteWhileTyping(m_ui->txtIban, trimmedUpper);
    ui::rewriteWhileTyping(m_ui->txtFax, trimmed);
    ui::rewriteWhileTyping(m_ui->txtEmail, trimmed);
    m_ui->txtCapRes->installEventFilter(this);
    m_ui->txtEmail->installEventFilter(this);
    ui::setDigitsOnly(m_ui->txtCarta);
    ui::setDigitsOnly(m_ui->txtPartitaIva);

    const QList<QWidget*> cycle = { m_ui->txtCliente, m_ui->txtDataNasc, m_ui->txtComuneNasc, m_ui->txtProvNasc,
        m_ui->txtSesso, m_ui->txtRecapito, m_ui->txtIndirizzoRes, m_ui->txtProvRes, m_ui->txtComuneRes, m_ui->txtCapRes,
        m_ui->txtEstremi, m_ui->txtTelCasa, m_ui->txtTelUff, m_ui->txtTelCel, m_ui->txtFax, m_ui->txtEmail,
        m_ui->txtCodFisc, m_ui->txtCarta, m_ui->txtScadeCarta, m_ui->txtPartitaIva, m_ui->txtIban, m_ui->txtDocumento,
        m_ui->txtOccupazione, m_ui->txtCivile, m_ui->txtTitoli, m_ui->txtProdotti, m_ui->txtZona, m_ui->txtQuestioni,
        m_ui->txtNote };
    ui::setEnterCycle(cycle);
    QList<QWidget*> tabs = cycle;
    tabs.insert(tabs.indexOf(m_ui->txtNote), m_ui->chkRicontatta);
    for (qsizetype i = 0; i + 1 < tabs.size(); ++i)
        setTabOrder(tabs[i], tabs[i + 1]);

    auto* hints = new ui::StatusHints(this, m_ui->panInfo);
    hints->add({
        { m_ui->cmdTrova, u"Trova una scheda in archivio."_s },
        { m_ui->cmdAnteprima, u"Visualizza l'anteprima di stampa."_s },
        { m_ui->cmdStampa, u"Stampa la scheda corrente."_s },
        { m_ui->cmdPDF, u"Esporta la scheda in formato PDF."_s },
        { m_ui->cmdFile, u"Allega file alla scheda corrente."_s },
        { m_ui->cmdRicontatta, u"Visualizza il riepilogo delle persone da ricontattare."_s },
        { m_ui->cmdEsporta, u"Esporta le schede in archivio in un file di Microsoft Excel."_s },
        { m_ui->cmdScambio, u"Esporta i contatti in una rubrica (.vcf) o li importa da una rubrica."_s },
        { m_ui->cmdGuida, u"Visualizza la guida in linea."_s },
        { m_ui->cmdEsci, u"Esci dalla schermata di lavoro corrente."_s },
        { m_ui->chkRicontatta, u"Annota che il contatto è da ricontattare per questioni in sospeso."_s },
        { m_ui->btnEmail, u"Invia una e-mail all'indirizzo indicato."_s },
        { m_ui->btnCodFisc, u"Controlla il codice fiscale."_s },
        { m_ui->btnPartitaIva, u"Controlla il numero di partita IVA."_s },
        { m_ui->btnCarta, u"Controlla il numero di carta di credito."_s },
        { m_ui->btnIban, u"Controlla l'IBAN."_s },
    });
    m_ui->panInfo->setText(u"Pronto per archiviare una nuova scheda..."_s);

    ui::connectCardCommands(this, *m_card, *hints);
    connect(m_ui->cmdTrova, &QToolButton::clicked, this, [this] {
        ContactSearch search([this](const ContactRecord& r, qint64 p) { showRecord(r, p); }, this);
        search.exec();
    });
    connect(m_ui->cmdAnteprima, &QToolButton::clicked, this, [this] { openPrint(true); });
    connect(m_ui->cmdStampa, &QToolButton::clicked, this, [this] { openPrint(false); });
    connect(m_ui->cmdPDF, &QToolButton::clicked, this, &ContactCard::cmdPDFClick);
    connect(m_ui->cmdFile, &QToolButton::clicked, this, [this] {
        if (m_attach)
            m_attach(this);
    });
    connect(m_ui->cmdRicontatta, &QToolButton::clicked, this, [this] {
        ui::ListScreen list(callBackList(), this);
        list.exec();
    });
    connect(m_ui->cmdScambio, &QToolButton::clicked, this, [this] {
        ExchangeScreen screen(exchange::Archive::Contacts, this);
        screen.exec();
    });
    connect(m_ui->cmdEsporta, &QToolButton::clicked, this, [this] {
        ui::ExportScreen screen(exportDefinition(), this);
        screen.exec();
    });
    ui::setHelpTopic(this, u"Applicazione Anagrafica contatti."_s);
    connect(m_ui->cmdEsci, &QToolButton::clicked, this, &QWidget::close);
    connect(m_ui->btnCodFisc, &QToolButton::clicked, this, &ContactCard::btnCodFiscClick);
    connect(m_ui->btnPartitaIva, &QToolButton::clicked, this, [this] {
        PartitaIvaWindow window(texts::trim(m_ui->txtPartitaIva->text()), this);
        window.exec();
    });
    connect(m_ui->btnCarta, &QToolButton::clicked, this, [this] {
        CardNumberWindow window(texts::trim(m_ui->txtCarta->text()), this);
        window.exec();
    });
    connect(m_ui->btnIban, &QToolButton::clicked, this, [this] {
        IbanWindow window(texts::trim(m_ui->txtIban->text()), this);
        window.exec();
    });
    connect(m_ui->btnEmail, &QToolButton::clicked, this, [this] { ui::desktop::mailTo(m_ui->txtEmail->text()); });
    m_card->newCard();
}

ContactCard::~ContactCard() = default;

documents::attachments::Owner ContactCard::attachmentOwner()
{
    return { programFolder::Contacts, m_card->position(), &m_newCopies };
}

void ContactCard::opening()
{
    m_card->newCard();
}

bool ContactCard::mayLeave()
{
    return m_card->confirmLeave();
}

void ContactCard::showRecord(const ContactRecord& record, qint64 position)
{
    m_card->showRecord(record, position);
}

bool ContactCard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && watched == m_ui->txtCapRes) {
        const QString upper = m_ui->txtCapRes->text().toUpper();
        if (upper != m_ui->txtCapRes->text()) {
            const int cursor = m_ui->txtCapRes->cursorPosition();
            m_ui->txtCapRes->setText(upper);
            m_ui->txtCapRes->setCursorPosition(cursor);
        }
        return false;
    }
    for (QComboBox* province : { m_ui->txtProvNasc, m_ui->txtProvRes }) {
        if (watched != province && watched != province->lineEdit())
            continue;
        if (event->type() == QEvent::FocusIn) {
            const QString kept = province->currentText();
            province->setCurrentIndex(-1); // no list entry selected; the text stays
            province->setEditText(kept);
        } else if (event->type() == QEvent::FocusOut) {
            const QString cleaned = texts::trim(province->currentText()).toUpper();
            if (cleaned != province->currentText())
                province->setEditText(cleaned);
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut && watched == m_ui->txtEmail)
        m_ui->txtEmail->setText(texts::trim(m_ui->txtEmail->text()));
    return false;
}

QList<ui::PrintRow> ContactCard::printRows(bool forPdf) const
{
    const auto t = [](const QWidget* control) { return ui::controlText(control); };
    return {
        { u"Cognome e nome:"_s, t(m_ui->txtCliente) },
        { u"Data di nascita:"_s, t(m_ui->txtDataNasc) },
        { u"Comune di nascita:"_s, t(m_ui->txtComuneNasc) + u" "_s + t(m_ui->txtProvNasc) },
        { u"Sesso:"_s, t(m_ui->txtSesso) },
        { u"Tel. preferenziale:"_s, t(m_ui->txtRecapito) },
        { u"Indirizzo di residenza:"_s, t(m_ui->txtIndirizzoRes) },
        { u"Comune di residenza:"_s, t(m_ui->txtComuneRes) + u" "_s + t(m_ui->txtProvRes) },
        { u"Modalità pagamento:"_s, t(m_ui->txtEstremi) },
        { u"Tel. casa:"_s, t(m_ui->txtTelCasa) },
        { u"Tel. ufficio:"_s, t(m_ui->txtTelUff) },
        { u"Tel. cellulare:"_s, t(m_ui->txtTelCel) },
        { u"PEC:"_s, t(m_ui->txtFax) },
        { u"E-mail:"_s, t(m_ui->txtEmail) },
        { u"Codice fiscale:"_s, t(m_ui->txtCodFisc) },
        { u"Partita IVA:"_s, t(m_ui->txtPartitaIva) },
        { u"Carta di credito:"_s, u"N. "_s + t(m_ui->txtCarta) + u"  -  Scadenza: "_s + t(m_ui->txtScadeCarta) },
        { u"IBAN:"_s, t(m_ui->txtIban) },
        { u"Estremi documento:"_s, t(m_ui->txtDocumento) },
        { u"Occupazione:"_s, t(m_ui->txtOccupazione) },
        { u"Titoli e qualifiche:"_s, t(m_ui->txtTitoli) },
        { u"Prodotti e servizi:"_s, t(m_ui->txtProdotti) },
        { forPdf ? u"Zona di appartenenza:"_s : u"Zona:"_s, t(m_ui->txtZona) },
        { u"Questioni in sospeso:"_s, t(m_ui->txtQuestioni) },
        { u"Note:"_s, t(m_ui->txtNote) },
    };
}

void ContactCard::openPrint(bool preview)
{
    const report::Template card = contacts::contactCardReport(printRows(false));
    if (preview)
        report::printer::preview(card, this);
    else
        report::printer::print(card, this);
}

void ContactCard::cmdPDFClick()
{
    const QString path = programFolder::file(u"Contatto.pdf"_s);
    if (!report::printer::exportPdf(contacts::contactCardReport(printRows(true)), path, u"Scheda informativa"_s)) {
        ui::messages::error(u"Attenzione: il sistema non permette di creare il file PDF."_s);
        return;
    }
    if (ui::messages::confirm(u"L'esportazione della scheda in PDF è terminata con successo.\r\n\r\n"
                              u"Si vuole aprire il file?"_s))
        ui::desktop::open(u"\""_s + path + u"\""_s);
}

void ContactCard::btnCodFiscClick()
{
    const QString code = texts::trim(m_ui->txtCodFisc->text());
    if (allDigits(code)) {
        // A firm's codice fiscale is its partita IVA.
        PartitaIvaWindow window(code, this);
        window.exec();
    } else {
        CodiceFiscaleWindow window(code, this);
        window.exec();
    }
}

ui::ExportDefinition ContactCard::exportDefinition()
{
    return ui::exportOf({ u"frmExpClienti"_s, u" Esporta archivio contatti in Microsoft Excel"_s, u"Contatti.xls"_s,
                            u"Riepilogo Contatti"_s, u"Esportazione archivio contatti in Microsoft Excel."_s, {}, {} },
        contacts::exportTable(), programFolder::Contacts);
}

ui::ListDefinition ContactCard::callBackList()
{
    const QString path = programFolder::file(programFolder::Contacts);
    return { u"frmRicontatta"_s, u" Riepilogo persone da ricontattare"_s, u"Riepilogo persone da ricontattare"_s,
        lists::LineOrder::CaseFoldAZ, [path] { return contacts::callBackRows(path); },
        [this](qint64 position) { m_card->showRecordAt(position); } };
}
