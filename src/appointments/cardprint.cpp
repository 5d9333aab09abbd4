#include "appointments/cardprint.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace appointments {

namespace {
struct Row {
    const char16_t* label;
    const char16_t* field;
};
constexpr Row Rows[] = {
    {u"Data appuntamento:", u"txtData"}, {u"Ora:", u"txtOra"},         {u"Tipologia:", u"txtTipologia"},
    {u"Causale:", u"txtCausale"},        {u"Dettagli:", u"txtDettagli"}, {u"Persona / Ditta:", u"txtContatto"},
    {u"Telefono:", u"txtTel"},           {u"Cellulare:", u"txtCel"},     {u"E-mail:", u"txtEmail"},
    {u"Luogo:", u"txtLuogo"},            {u"Importo:", u"txtImporto"},   {u"Note:", u"txtNote"},
    {u"Impegno assolto:", u"txtOttemperata"},
};
const QColor Ink(0x1f, 0x2d, 0x3d);
const QColor Slate(0x27, 0x47, 0x6d);
const QColor LabelGround(0xee, 0xf2, 0xf7);
} // namespace

report::Template cardTemplate()
{
    report::Template t(u"Scheda Appuntamento"_s);
    t.setOrientation(QPageLayout::Portrait);
    t.setMargins(QMarginsF(10, 10, 10, 10));
    const double width = 190;
    report::Band& page = t.band(report::BandKind::Title);
    page.height = 277;

    report::Object title;
    title.name = u"txtTitolo"_s;
    title.rect = QRectF(0, 0, width, 14);
    title.text = u"SCHEDA INFORMATIVA APPUNTAMENTO"_s;
    title.fontSize = 15;
    title.bold = true;
    title.colour = Qt::white;
    title.background = Slate;
    title.alignment = Qt::AlignCenter;
    t.add(report::BandKind::Title, title);

    const double top = 24, rowHeight = 12, labelWidth = 52;
    int i = 0;
    for (const Row& row : Rows) {
        report::Object label;
        label.name = u"lbl"_s + QString::fromUtf16(row.field).mid(3);
        label.rect = QRectF(0, top + i * rowHeight, labelWidth, rowHeight);
        label.text = QString::fromUtf16(row.label);
        label.bold = true;
        label.frame = true;
        label.colour = Slate;
        label.background = LabelGround;
        label.border = QColor(0x9a, 0xa9, 0xba);
        t.add(report::BandKind::Title, label);
        report::Object value;
        value.name = QString::fromUtf16(row.field);
        value.rect = QRectF(labelWidth, top + i * rowHeight, width - labelWidth, rowHeight);
        value.frame = true;
        value.colour = Ink;
        value.background = Qt::white;
        value.border = QColor(0x9a, 0xa9, 0xba);
        t.add(report::BandKind::Title, value);
        ++i;
    }

    report::Object footer;
    footer.name = u"txtCalce"_s;
    footer.rect = QRectF(0, 268, width, 8);
    footer.text = u"Data e ora stampa"_s;
    footer.fontSize = 9;
    footer.colour = QColor(0x34, 0x49, 0x5e);
    t.add(report::BandKind::Title, footer);
    report::Object rule;
    rule.kind = report::Object::Kind::Line;
    rule.name = u"linCalce"_s;
    rule.rect = QRectF(0, 267, width, 0);
    rule.border = Slate;
    t.add(report::BandKind::Title, rule);
    return t;
}

void fillCard(report::Template& t, const AppointmentCardValues& v)
{
    t.setOrientation(QPageLayout::Portrait);
    t.setText(u"txtOttemperata"_s, v.fulfilled ? u"Sì"_s : u"No"_s);
    t.setText(u"txtData"_s, v.date);
    t.setText(u"txtOra"_s, v.time);
    t.setText(u"txtTipologia"_s, v.commitmentType);
    t.setText(u"txtCausale"_s, v.purpose);
    t.setText(u"txtDettagli"_s, v.details);
    t.setText(u"txtContatto"_s, v.contact);
    t.setText(u"txtTel"_s, v.phone);
    t.setText(u"txtCel"_s, v.mobile);
    t.setText(u"txtEmail"_s, v.email);
    t.setText(u"txtLuogo"_s, v.place);
    t.setText(u"txtImporto"_s, v.amount);
    t.setText(u"txtNote"_s, v.notes);
    const QDateTime now = ui::clock::now();
    t.setText(u"txtCalce"_s, u"Stampa eseguita in data "_s + texts::formatDate(now.date()) + u" alle ore "_s
                                 + now.time().toString(u"HH:mm:ss"_s));
    t.prepare();
}

CardPrintScreen::CardPrintScreen(Output output, QWidget* parent)
    : QDialog(parent)
    , m_output(output)
{
}

void CardPrintScreen::setUpButtons(QPushButton* confirm, QPushButton* cancel)
{
    ui::applyIcons(this);
    setFixedSize(size());
    connect(confirm, &QPushButton::clicked, this, &CardPrintScreen::btnStampaClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CardPrintScreen::btnStampaClick()
{
    report::Template card = cardTemplate();
    fillCard(card, frmArchivio_Scadenze->cardValues());
    if (m_output == Output::Printer)
        report::printer::print(card, this);
    else
        report::printer::preview(card, this);
    accept();
}

} // namespace appointments
