#include "appointments/archivioscadenze.h"

#include "appointments/appointmentscreens.h"
#include "appointments/calendario.h"
#include "shell/help.h"
#include "shell/misc.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/texts.h"

#include "ui_archivioscadenze.h"

#include <QKeyEvent>

using namespace Qt::Literals::StringLiterals;
using F = AppointmentField;

TfrmArchivio_Scadenze* frmArchivio_Scadenze = nullptr;

namespace {

bool isTypedCharacter(QKeyEvent* key)
{
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).unicode() >= 32 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

TfrmArchivio_Scadenze::TfrmArchivio_Scadenze(QWidget* parent)
    : ui::CardScreen(parent)
    , ui(new Ui::TfrmArchivio_Scadenze)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setMinimumSize(size());
    setUpCard({ui->lblPosizione, ui->btnFocus, programFolder::Appointments, AppointmentRecord::Size});

    for (int h = 0; h < 24; ++h)
        ui->txtOreApp->addItem(u"%1"_s.arg(h, 2, 10, QChar(u'0')));
    for (int m = 0; m < 60; ++m)
        ui->txtMinutiApp->addItem(u"%1"_s.arg(m, 2, 10, QChar(u'0')));
    ui->txtOreApp->lineEdit()->setMaxLength(2);
    ui->txtMinutiApp->lineEdit()->setMaxLength(2);

    // Field rules: keys, leaving a field, Enter.
    for (QObject* o : std::initializer_list<QObject*> {ui->txtData, ui->txtOreApp, ui->txtMinutiApp, ui->txtAvviso,
                                                      ui->txtImporto, ui->txtOreApp->lineEdit(), ui->txtMinutiApp->lineEdit()})
        o->installEventFilter(this);
    const QList<QWidget*> cycle = {ui->txtOreApp, ui->txtMinutiApp, ui->txtAvviso, ui->txtTipologia, ui->txtCausale,
                                   ui->txtDettagli, ui->txtContatto, ui->txtTel, ui->txtCel, ui->txtEmail,
                                   ui->txtLuogo, ui->txtImporto, ui->txtNote, ui->txtData};
    for (qsizetype i = 0; i + 1 < cycle.size(); ++i)
        ui::setEnterMovesTo(cycle[i], cycle[i + 1]);
    ui::setDigitsOnly(ui->txtAvviso);
    connect(ui->txtEmail, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString trimmed = texts::trim(text);
        if (trimmed != text)
            ui->txtEmail->setText(trimmed);
    });

    auto* hints = new ui::StatusHints(this, ui->panInfo);
    hints->add({
        {ui->cmdNuovo, u"Prepara la schermata per la registrazione di una nuova scheda."_s},
        {ui->cmdDuplica, u"Prepara la schermata per la registrazione di una nuova scheda duplicando i dati correnti."_s},
        {ui->cmdSalva, u"Salva la scheda corrente in archivio."_s},
        {ui->cmdTrova, u"Trova una scheda in archivio."_s},
        {ui->cmdAnteprima, u"Visualizza l'anteprima di stampa della scheda corrente."_s},
        {ui->cmdStampa, u"Stampa la scheda corrente."_s},
        {ui->cmdAssolti, u"Visualizza il riepilogo degli impegni assolti."_s},
        {ui->cmdDaAssolvere, u"Visualizza il riepilogo degli impegni da assolvere, sia scaduti che non."_s},
        {ui->cmdScaduti, u"Visualizza il riepilogo degli impegni scaduti e non assolti."_s},
        {ui->cmdEsporta, u"Esporta l'archivio in un file di Excel."_s},
        {ui->cmdGuida, u"Visualizza la guida in linea."_s},
        {ui->cmdEsci, u"Esci da questa schermata di lavoro."_s},
        {ui->cmdPrimo, u"Visualizza la prima scheda in archivio."_s},
        {ui->cmdIndietro, u"Visualizza la scheda precedente in archivio."_s},
        {ui->cmdAvanti, u"Visualizza la scheda successiva in archivio."_s},
        {ui->cmdUltimo, u"Visualizza l'ultima scheda in archivio."_s},
        {ui->impData, u"Importa la data dal calendario."_s},
        {ui->impContatto, u"Importa i dati dall'archivio anagrafico dei contatti."_s},
        {ui->btnEmail, u"Invia una e-mail all'indirizzo indicato."_s},
        {ui->chkOttemperata, u"Spunta questa casella per indicare che l'impegno è stato assolto."_s},
    });
    ui->panInfo->setText(u"Pronto per archiviare una nuova scheda..."_s);

    connect(ui->cmdNuovo, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdNuovoClick);
    connect(ui->cmdDuplica, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdDuplicaClick);
    connect(ui->cmdSalva, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdSalvaClick);
    connect(ui->cmdPrimo, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdPrimoClick);
    connect(ui->cmdIndietro, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdIndietroClick);
    connect(ui->cmdAvanti, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdAvantiClick);
    connect(ui->cmdUltimo, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::cmdUltimoClick);
    connect(ui->impData, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::impDataClick);
    connect(ui->btnEmail, &QToolButton::clicked, this, &TfrmArchivio_Scadenze::btnEmailClick);
    connect(ui->cmdGuida, &QToolButton::clicked, this,
            [this] { help::show(this, u"Applicazione Archivio appuntamenti."_s); });
    connect(ui->cmdEsci, &QToolButton::clicked, this, &QWidget::close);
    connect(ui->cmdStampa, &QToolButton::clicked, this, [this] { appointments::openCardPrint(this); });
    connect(ui->cmdAnteprima, &QToolButton::clicked, this, [this] { appointments::openCardPreview(this); });
    connect(ui->cmdTrova, &QToolButton::clicked, this, [this] { appointments::openSearch(this); });
    connect(ui->cmdAssolti, &QToolButton::clicked, this, [this] { appointments::openFulfilled(this); });
    connect(ui->cmdDaAssolvere, &QToolButton::clicked, this, [this] { appointments::openToFulfil(this); });
    connect(ui->cmdScaduti, &QToolButton::clicked, this, [this] { appointments::openExpired(this); });
    connect(ui->cmdEsporta, &QToolButton::clicked, this, [this] { appointments::openArchiveExport(this); });
    connect(ui->impContatto, &QToolButton::clicked, this, [this] { appointments::openContactImport(this); });

    TfrmCalendario::setTarget(u"data"_s, ui->txtData);
}

TfrmArchivio_Scadenze::~TfrmArchivio_Scadenze()
{
    TfrmCalendario::setTarget(u"data"_s, nullptr);
}

bool TfrmArchivio_Scadenze::eventFilter(QObject* watched, QEvent* event)
{
    const bool hourBox = watched == ui->txtOreApp || watched == ui->txtOreApp->lineEdit();
    const bool minuteBox = watched == ui->txtMinutiApp || watched == ui->txtMinutiApp->lineEdit();
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == ui->txtData) {
            switch (key->key()) {
            case Qt::Key_Backspace:
            case Qt::Key_Delete:
                ui->txtData->clear();
                return true;
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_AltGr:
            case Qt::Key_Meta:
                return false;
            default:
                impDataClick();
                return true;
            }
        }
        if ((hourBox || minuteBox) && isTypedCharacter(key))
            return true; // the value is chosen from the list
        if (watched == ui->txtImporto && isTypedCharacter(key)) {
            const QChar c = key->text().at(0);
            return !((c >= u'0' && c <= u'9') || c == u',');
        }
        return false;
    }
    case QEvent::FocusIn:
        if (watched == ui->txtOreApp || watched == ui->txtMinutiApp) {
            auto* box = static_cast<QComboBox*>(watched);
            const QString text = box->currentText();
            box->setCurrentIndex(-1);
            box->setEditText(text);
        }
        return false;
    case QEvent::FocusOut:
        if (watched == ui->txtOreApp)
            leaveHour();
        else if (watched == ui->txtMinutiApp)
            leaveMinute();
        else if (watched == ui->txtAvviso)
            leaveNotice();
        else if (watched == ui->txtImporto)
            leaveAmount();
        return false;
    default:
        return false;
    }
}

void TfrmArchivio_Scadenze::leaveHour()
{
    if (!texts::isHourText(texts::trim(ui->txtOreApp->currentText())))
        setTimeBox(ui->txtOreApp, QString());
}

void TfrmArchivio_Scadenze::leaveMinute()
{
    if (!texts::isMinuteText(texts::trim(ui->txtMinutiApp->currentText())))
        setTimeBox(ui->txtMinutiApp, QString());
}

void TfrmArchivio_Scadenze::leaveNotice()
{
    if (texts::trim(ui->txtAvviso->text()).isEmpty())
        ui->txtAvviso->setText(u"0"_s);
}

void TfrmArchivio_Scadenze::leaveAmount()
{
    ui->txtImporto->setText(texts::normaliseAmount(ui->txtImporto->text()));
}

void TfrmArchivio_Scadenze::runLeaveRules()
{
    leaveHour();
    leaveMinute();
    leaveNotice();
    leaveAmount();
}

void TfrmArchivio_Scadenze::setTimeBox(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

void TfrmArchivio_Scadenze::clearCard()
{
    setTimeBox(ui->txtOreApp, u"00"_s);
    setTimeBox(ui->txtMinutiApp, u"00"_s);
    ui->txtData->clear();
    ui->txtAvviso->setText(u"0"_s);
    for (QLineEdit* e : {ui->txtTipologia, ui->txtCausale, ui->txtDettagli, ui->txtContatto, ui->txtTel, ui->txtCel,
                         ui->txtEmail, ui->txtLuogo, ui->txtNote})
        e->clear();
    ui->txtImporto->setText(u"0,00"_s);
    ui->chkOttemperata->setChecked(false);
    ui->txtData->setFocus();
}

void TfrmArchivio_Scadenze::prepareDuplicate()
{
    setTimeBox(ui->txtOreApp, u"00"_s);
    setTimeBox(ui->txtMinutiApp, u"00"_s);
    ui->txtData->clear();
    ui->txtData->setFocus();
}

void TfrmArchivio_Scadenze::loadRecord(const char* bytes)
{
    const AppointmentView r(bytes);
    ui->txtData->setText(r.text(F::date));
    setTimeBox(ui->txtOreApp, r.text(F::hour));
    setTimeBox(ui->txtMinutiApp, r.text(F::minute));
    ui->lblOra->setText(r.text(F::time));
    ui->txtAvviso->setText(r.text(F::noticeDays));
    ui->txtTipologia->setText(r.text(F::commitmentType));
    ui->txtCausale->setText(r.text(F::purpose));
    ui->txtDettagli->setText(r.text(F::details));
    ui->txtContatto->setText(r.text(F::contact));
    ui->txtTel->setText(r.text(F::phone));
    ui->txtCel->setText(r.text(F::mobile));
    ui->txtEmail->setText(r.text(F::email));
    ui->txtLuogo->setText(r.text(F::place));
    ui->txtImporto->setText(r.text(F::amount));
    ui->txtNote->setText(r.text(F::notes));
    if (r.isYes(F::fulfilled))
        ui->chkOttemperata->setChecked(true);
    else if (r.isNo(F::fulfilled))
        ui->chkOttemperata->setChecked(false);
}

QList<ui::CardScreen::Required> TfrmArchivio_Scadenze::requiredFields()
{
    return {
        {ui->txtData, u"Attenzione: per salvare la scheda è necessario indicare la data dell'appuntamento."_s},
        {ui->txtAvviso, u"Attenzione: per salvare la scheda è necessario indicare i giorni di preavviso rispetto alla "
                        u"data dell'appuntamento."_s},
        {ui->txtTipologia, u"Attenzione: per salvare la scheda è necessario indicare la tipologia di impegno."_s},
        {ui->txtCausale, u"Attenzione: per salvare la scheda è necessario indicare la causale dell'appuntamento."_s},
        {ui->txtContatto, u"Attenzione: per salvare la scheda è necessario indicare il nome del contatto."_s},
    };
}

void TfrmArchivio_Scadenze::completeBeforeSave()
{
    if (texts::trim(ui->txtImporto->text()).isEmpty())
        ui->txtImporto->setText(u"0,00"_s);
    ui->lblOra->setText(texts::trim(ui->txtOreApp->currentText()) + u":"_s + texts::trim(ui->txtMinutiApp->currentText()));
}

QByteArray TfrmArchivio_Scadenze::buildRecord()
{
    AppointmentRecord r;
    r.setText(F::date, ui->txtData->text());
    r.setText(F::hour, ui->txtOreApp->currentText());
    r.setText(F::minute, ui->txtMinutiApp->currentText());
    r.setText(F::time, ui->lblOra->text());
    r.setText(F::noticeDays, ui->txtAvviso->text());
    r.setText(F::commitmentType, ui->txtTipologia->text());
    r.setText(F::purpose, ui->txtCausale->text());
    r.setText(F::details, ui->txtDettagli->text());
    r.setText(F::contact, ui->txtContatto->text());
    r.setText(F::phone, ui->txtTel->text());
    r.setText(F::mobile, ui->txtCel->text());
    r.setText(F::email, ui->txtEmail->text());
    r.setText(F::place, ui->txtLuogo->text());
    r.setText(F::amount, ui->txtImporto->text());
    r.setText(F::notes, ui->txtNote->text());
    r.setFlag(F::fulfilled, ui->chkOttemperata->isChecked());
    return QByteArray(r.data(), AppointmentRecord::Size);
}

AppointmentCardValues TfrmArchivio_Scadenze::cardValues() const
{
    AppointmentCardValues v;
    v.date = texts::trim(ui->txtData->text());
    v.time = texts::trim(ui->txtOreApp->currentText()) + u":"_s + texts::trim(ui->txtMinutiApp->currentText());
    v.commitmentType = texts::trim(ui->txtTipologia->text());
    v.purpose = texts::trim(ui->txtCausale->text());
    v.details = texts::trim(ui->txtDettagli->text());
    v.contact = texts::trim(ui->txtContatto->text());
    v.phone = texts::trim(ui->txtTel->text());
    v.mobile = texts::trim(ui->txtCel->text());
    v.email = texts::trim(ui->txtEmail->text());
    v.place = texts::trim(ui->txtLuogo->text());
    v.amount = texts::trim(ui->txtImporto->text());
    v.notes = texts::trim(ui->txtNote->text());
    v.fulfilled = ui->chkOttemperata->isChecked();
    return v;
}

void TfrmArchivio_Scadenze::importContact(const QString& name, const QString& phone, const QString& mobile,
                                          const QString& email)
{
    ui->txtContatto->setText(texts::trim(name));
    ui->txtTel->setText(texts::trim(phone));
    ui->txtCel->setText(texts::trim(mobile));
    ui->txtEmail->setText(texts::trim(email));
}

void TfrmArchivio_Scadenze::impDataClick()
{
    TfrmCalendario picker(this);
    picker.setTag(u"data"_s);
    picker.exec();
}

void TfrmArchivio_Scadenze::btnEmailClick()
{
    TMisc::shellOpen(u"\"mailto:"_s + texts::trim(ui->txtEmail->text()) + u"\""_s);
}
