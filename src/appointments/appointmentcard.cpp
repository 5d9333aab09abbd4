#include "appointments/appointmentcard.h"

#include "appointments/appointmentexports.h"
#include "appointments/appointmentrules.h"
#include "appointments/appointmentsearch.h"
#include "exchange/exchangescreen.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "ui/cardprint.h"
#include "ui/datepicker.h"
#include "ui/exportscreen.h"
#include "ui/listscreen.h"
#include "ui/services.h"

#include "ui_appointmentcard.h"

#include <QKeyEvent>

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

namespace {

void setTimeBox(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

} // namespace

AppointmentCard::AppointmentCard(QWidget* parent)
    : ui::AreaScreen(parent)
    , m_ui(new Ui::AppointmentCard)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::fitToScreen(this);
    m_ui->btnFocus->setFocusPolicy(Qt::NoFocus); // takes the focus only before a save

    const auto required = [](const QString& what) -> QString {
        return u"Attenzione: per salvare la scheda è necessario indicare "_s + what + u"."_s;
    };
    using Card = ui::CardPattern<records::AppointmentLayout>;
    m_card = std::make_unique<Card>(
        Card::Setup { this, m_ui->lblPosizione, m_ui->btnFocus, m_ui->txtData, programFolder::Appointments },
        QList<Card::Binding> {
            { F::date, m_ui->txtData, {}, required(u"la data dell'appuntamento"_s), false, u"Data appuntamento:"_s },
            { F::hour, m_ui->txtOreApp, u"00"_s, {}, false },
            { F::minute, m_ui->txtMinutiApp, u"00"_s, {}, false },
            { F::time, m_ui->lblOra, {}, {}, true, u"Ora:"_s,
                [this]() -> QString {
                    return texts::trim(m_ui->txtOreApp->currentText()) + u":"_s
                        + texts::trim(m_ui->txtMinutiApp->currentText());
                } },
            { F::noticeDays, m_ui->txtAvviso, u"0"_s,
                required(u"i giorni di preavviso rispetto alla data dell'appuntamento"_s) },
            { F::commitmentType, m_ui->txtTipologia, {}, required(u"la tipologia di impegno"_s), true,
                u"Tipologia:"_s },
            { F::purpose, m_ui->txtCausale, {}, required(u"la causale dell'appuntamento"_s), true, u"Causale:"_s },
            { F::details, m_ui->txtDettagli, {}, {}, true, u"Dettagli:"_s },
            { F::contact, m_ui->txtContatto, {}, required(u"il nome del contatto"_s), true, u"Persona / Ditta:"_s },
            { F::phone, m_ui->txtTel, {}, {}, true, u"Telefono:"_s },
            { F::mobile, m_ui->txtCel, {}, {}, true, u"Cellulare:"_s },
            { F::email, m_ui->txtEmail, {}, {}, true, u"E-mail:"_s },
            { F::place, m_ui->txtLuogo, {}, {}, true, u"Luogo:"_s },
            { F::amount, m_ui->txtImporto, u"0,00"_s, {}, true, u"Importo:"_s },
            { F::notes, m_ui->txtNote, {}, {}, true, u"Note:"_s },
            { F::fulfilled, m_ui->chkOttemperata, {}, {}, true, u"Impegno assolto:"_s },
        });
    m_card->setHooks({
        [this] {
            leaveHour();
            leaveMinute();
            leaveNotice();
            leaveAmount();
        },
        [this] {
            if (texts::trim(m_ui->txtImporto->text()).isEmpty())
                m_ui->txtImporto->setText(u"0,00"_s);
            m_ui->lblOra->setText(
                texts::trim(m_ui->txtOreApp->currentText()) + u":"_s + texts::trim(m_ui->txtMinutiApp->currentText()));
        },
        [this] { m_ui->txtData->setFocus(); },
    });

    for (int h = 0; h < 24; ++h)
        m_ui->txtOreApp->addItem(u"%1"_s.arg(h, 2, 10, QChar(u'0')));
    for (int m = 0; m < 60; ++m)
        m_ui->txtMinutiApp->addItem(u"%1"_s.arg(m, 2, 10, QChar(u'0')));
    m_ui->txtOreApp->lineEdit()->setMaxLength(2);
    m_ui->txtMinutiApp->lineEdit()->setMaxLength(2);

    // Field rules: keys, leaving a field, Enter.
    ui::setPickedDateField(m_ui->txtData, [this](const QString& typed) { impDataClick(typed); });
    for (QObject* o : std::initializer_list<QObject*> { m_ui->txtOreApp, m_ui->txtMinutiApp, m_ui->txtAvviso,
             m_ui->txtImporto, m_ui->txtOreApp->lineEdit(), m_ui->txtMinutiApp->lineEdit() })
        o->installEventFilter(this);
    const QList<QWidget*> cycle = { m_ui->txtOreApp, m_ui->txtMinutiApp, m_ui->txtAvviso, m_ui->txtTipologia,
        m_ui->txtCausale, m_ui->txtDettagli, m_ui->txtContatto, m_ui->txtTel, m_ui->txtCel, m_ui->txtEmail,
        m_ui->txtLuogo, m_ui->txtImporto, m_ui->txtNote, m_ui->txtData };
    for (qsizetype i = 0; i + 1 < cycle.size(); ++i)
        ui::setEnterMovesTo(cycle[i], cycle[i + 1]);
    ui::setDigitsOnly(m_ui->txtAvviso);
    connect(m_ui->txtEmail, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString trimmed = texts::trim(text);
        if (trimmed != text)
            m_ui->txtEmail->setText(trimmed);
    });

    auto* hints = new ui::StatusHints(this, m_ui->panInfo);
    hints->add({
        { m_ui->cmdTrova, u"Trova una scheda in archivio."_s },
        { m_ui->cmdAnteprima, u"Visualizza l'anteprima di stampa della scheda corrente."_s },
        { m_ui->cmdStampa, u"Stampa la scheda corrente."_s },
        { m_ui->cmdAssolti, u"Visualizza il riepilogo degli impegni assolti."_s },
        { m_ui->cmdDaAssolvere, u"Visualizza il riepilogo degli impegni da assolvere, sia scaduti che non."_s },
        { m_ui->cmdScaduti, u"Visualizza il riepilogo degli impegni scaduti e non assolti."_s },
        { m_ui->cmdEsporta, u"Esporta l'archivio in un file di Excel."_s },
        { m_ui->cmdScambio, u"Esporta gli appuntamenti in un calendario (.ics) o li importa da un calendario."_s },
        { m_ui->cmdGuida, u"Visualizza la guida in linea."_s },
        { m_ui->cmdEsci, u"Esci da questa schermata di lavoro."_s },
        { m_ui->impData, u"Importa la data dal calendario."_s },
        { m_ui->impContatto, u"Importa i dati dall'archivio anagrafico dei contatti."_s },
        { m_ui->btnEmail, u"Invia una e-mail all'indirizzo indicato."_s },
        { m_ui->chkOttemperata, u"Spunta questa casella per indicare che l'impegno è stato assolto."_s },
    });
    m_ui->panInfo->setText(u"Pronto per archiviare una nuova scheda..."_s);

    ui::connectCardCommands(this, *m_card, *hints);
    connect(m_ui->impData, &QToolButton::clicked, this, [this] { impDataClick(); });
    connect(m_ui->btnEmail, &QToolButton::clicked, this, &AppointmentCard::btnEmailClick);
    ui::setHelpTopic(this, u"Applicazione Archivio appuntamenti."_s);
    connect(m_ui->cmdEsci, &QToolButton::clicked, this, &QWidget::close);
    connect(m_ui->cmdStampa, &QToolButton::clicked, this, [this] { openPrint(false); });
    connect(m_ui->cmdAnteprima, &QToolButton::clicked, this, [this] { openPrint(true); });
    connect(m_ui->cmdTrova, &QToolButton::clicked, this, [this] {
        AppointmentSearch search([this](const AppointmentRecord& r, qint64 p) { showRecord(r, p); }, this);
        search.exec();
    });
    const auto openList = [this](appointments::State state) {
        return [this, state] {
            ui::ListScreen list(stateList(state), this);
            list.exec();
        };
    };
    connect(m_ui->cmdDaAssolvere, &QToolButton::clicked, this, openList(appointments::State::ToFulfil));
    connect(m_ui->cmdScaduti, &QToolButton::clicked, this, openList(appointments::State::Expired));
    connect(m_ui->cmdAssolti, &QToolButton::clicked, this, openList(appointments::State::Fulfilled));
    connect(m_ui->cmdEsporta, &QToolButton::clicked, this, [this] {
        ui::ExportScreen screen(appointments::archiveExport(), this);
        screen.exec();
    });
    connect(m_ui->cmdScambio, &QToolButton::clicked, this, [this] {
        ExchangeScreen screen(exchange::Archive::Appointments, this);
        screen.exec();
    });
    connect(m_ui->impContatto, &QToolButton::clicked, this, [this] {
        if (m_contactImport)
            m_contactImport(this);
    });
    m_card->newCard();
}

AppointmentCard::~AppointmentCard() = default;

void AppointmentCard::opening()
{
    m_card->newCard();
}

bool AppointmentCard::mayLeave()
{
    return m_card->confirmLeave();
}

void AppointmentCard::showRecord(const AppointmentRecord& record, qint64 position)
{
    m_card->showRecord(record, position);
}

void AppointmentCard::openPrint(bool preview)
{
    using Confirm = ui::CardPrintConfirm;
    Confirm screen({ preview ? Confirm::Output::Preview : Confirm::Output::Printer,
                       preview ? u"frmStartup"_s : u"frmStampaScadenza"_s,
                       preview ? u"Visualizzare l'anteprima di stampa della scheda dell'appuntamento?"_s
                               : u"Stampare la scheda dell'appuntamento così come appare sullo schermo?"_s,
                       [this] {
                           report::Template t = ui::cardTemplate(
                               u"Scheda Appuntamento"_s, u"SCHEDA INFORMATIVA APPUNTAMENTO"_s, m_card->printRows());
                           t.setText(u"txtCalce"_s, ui::printedAtText());
                           t.prepare();
                           return t;
                       } },
        this);
    screen.exec();
}

ui::ListDefinition AppointmentCard::stateList(appointments::State state)
{
    using appointments::State;
    const QString path = programFolder::file(programFolder::Appointments);
    const QString objectName = state == State::ToFulfil ? u"frmConfermati"_s
        : state == State::Expired                       ? u"frmScaduti"_s
                                                        : u"frmAssolti"_s;
    const QString title = state == State::ToFulfil ? u"Riepilogo impegni da assolvere"_s
        : state == State::Expired                  ? u"Riepilogo impegni scaduti e non assolti"_s
                                                   : u"Riepilogo impegni assolti"_s;
    return { objectName, u" "_s + title, title, lists::LineOrder::CaseFoldAZ,
        [path, state] { return appointments::stateRows(path, state, ui::clock::today()); },
        [this](qint64 position) { m_card->showRecordAt(position); } };
}

bool AppointmentCard::eventFilter(QObject* watched, QEvent* event)
{
    const bool hourBox = watched == m_ui->txtOreApp || watched == m_ui->txtOreApp->lineEdit();
    const bool minuteBox = watched == m_ui->txtMinutiApp || watched == m_ui->txtMinutiApp->lineEdit();
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // The value is one of the list's: typed, or chosen with the arrows.
        if ((hourBox || minuteBox) && ui::listKey(hourBox ? m_ui->txtOreApp : m_ui->txtMinutiApp, key))
            return true;
        if (watched == m_ui->txtImporto && ui::isTypedCharacter(key)) {
            const QChar c = key->text().at(0);
            return !((c >= u'0' && c <= u'9') || c == u',');
        }
        return false;
    }
    case QEvent::FocusIn:
        if (watched == m_ui->txtOreApp || watched == m_ui->txtMinutiApp) {
            auto* box = static_cast<QComboBox*>(watched);
            setTimeBox(box, box->currentText());
        }
        return false;
    case QEvent::FocusOut:
        if (watched == m_ui->txtOreApp)
            leaveHour();
        else if (watched == m_ui->txtMinutiApp)
            leaveMinute();
        else if (watched == m_ui->txtAvviso)
            leaveNotice();
        else if (watched == m_ui->txtImporto)
            leaveAmount();
        return false;
    default:
        return false;
    }
}

void AppointmentCard::leaveHour()
{
    const QString hour = ui::listItemFor(m_ui->txtOreApp, texts::trim(m_ui->txtOreApp->currentText()));
    setTimeBox(m_ui->txtOreApp, texts::isHourText(hour) ? hour : QString());
}

void AppointmentCard::leaveMinute()
{
    const QString minute = ui::listItemFor(m_ui->txtMinutiApp, texts::trim(m_ui->txtMinutiApp->currentText()));
    setTimeBox(m_ui->txtMinutiApp, texts::isMinuteText(minute) ? minute : QString());
}

void AppointmentCard::leaveNotice()
{
    if (texts::trim(m_ui->txtAvviso->text()).isEmpty())
        m_ui->txtAvviso->setText(u"0"_s);
}

void AppointmentCard::leaveAmount()
{
    m_ui->txtImporto->setText(texts::normaliseAmount(m_ui->txtImporto->text()));
}

void AppointmentCard::importContact(
    const QString& name, const QString& phone, const QString& mobile, const QString& email)
{
    ui::setControlText(m_ui->txtContatto, name);
    ui::setControlText(m_ui->txtTel, phone);
    ui::setControlText(m_ui->txtCel, mobile);
    ui::setControlText(m_ui->txtEmail, email);
}

void AppointmentCard::impDataClick(const QString& typed)
{
    ui::DatePicker picker(m_ui->txtData, this, typed);
    picker.exec();
}

void AppointmentCard::btnEmailClick()
{
    ui::desktop::mailTo(m_ui->txtEmail->text());
}
