#include "ui/cardprint.h"

#include "ui_cardprintconfirm.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace ui {

namespace {
const QColor Ink(0x1f, 0x2d, 0x3d);
const QColor Slate(0x27, 0x47, 0x6d);
const QColor LabelGround(0xee, 0xf2, 0xf7);
} // namespace

report::Template cardTemplate(
    const QString& name, const QString& heading, const QList<PrintRow>& rows, double rowHeight)
{
    report::Template t(name);
    t.setOrientation(QPageLayout::Portrait);
    t.setMargins(QMarginsF(10, 10, 10, 10));
    const double width = 190;

    report::Band& titleBand = t.band(report::BandKind::Title);
    titleBand.height = 24;
    report::Object title;
    title.name = u"txtTitolo"_s;
    title.rect = QRectF(0, 0, width, 14);
    title.text = heading;
    title.fontSize = 15;
    title.bold = true;
    title.colour = Qt::white;
    title.background = Slate;
    title.alignment = Qt::AlignCenter;
    t.add(report::BandKind::Title, title);

    // The rows make the data band, which continues on the next page between
    // two rows when the card is longer than the page.
    report::Band& data = t.band(report::BandKind::MasterData);
    data.height = rows.size() * rowHeight;
    const double labelWidth = 52;
    int i = 0;
    for (const PrintRow& row : rows) {
        const QString number = u"%1"_s.arg(i + 1, 2, 10, QChar(u'0'));
        report::Object label;
        label.name = u"lblRiga"_s + number;
        label.rect = QRectF(0, i * rowHeight, labelWidth, rowHeight);
        label.text = row.label;
        label.bold = true;
        label.frame = true;
        label.colour = Slate;
        label.background = LabelGround;
        label.border = QColor(0x9a, 0xa9, 0xba);
        t.add(report::BandKind::MasterData, label);
        report::Object value;
        value.name = u"txtRiga"_s + number;
        value.text = row.value;
        value.rect = QRectF(labelWidth, i * rowHeight, width - labelWidth, rowHeight);
        value.frame = true;
        value.colour = Ink;
        value.background = Qt::white;
        value.border = QColor(0x9a, 0xa9, 0xba);
        t.add(report::BandKind::MasterData, value);
        ++i;
    }

    report::Band& footerBand = t.band(report::BandKind::Footer);
    footerBand.height = 10;
    footerBand.atPageBottom = true;
    report::Object rule;
    rule.kind = report::Object::Kind::Line;
    rule.name = u"linCalce"_s;
    rule.rect = QRectF(0, 0, width, 0);
    rule.border = Slate;
    t.add(report::BandKind::Footer, rule);
    report::Object footer;
    footer.name = u"txtCalce"_s;
    footer.rect = QRectF(0, 1, width, 8);
    footer.text = u"Data e ora stampa"_s;
    footer.fontSize = 9;
    footer.colour = QColor(0x34, 0x49, 0x5e);
    t.add(report::BandKind::Footer, footer);
    return t;
}

QString printedAtText()
{
    const QDateTime now = clock::now();
    return u"Stampa eseguita in data "_s + texts::formatDate(now.date()) + u" alle ore "_s
        + now.time().toString(u"HH:mm:ss"_s);
}

CardPrintConfirm::CardPrintConfirm(Definition definition, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::CardPrintConfirm)
    , m_definition(std::move(definition))
{
    m_ui->setupUi(this);
    setObjectName(m_definition.objectName);
    m_ui->lblDomanda->setText(m_definition.question);
    if (m_definition.output == Output::Preview) {
        setWindowTitle(u" Anteprima di stampa"_s);
        m_ui->btnStampa->setText(u"Mostra anteprima"_s);
        m_ui->btnStampa->setProperty("iconName", u"document-print-preview"_s);
        m_ui->imgStampa->setProperty("iconName", u"document-print-preview"_s);
    }
    applyIcons(this);
    setFixedDialog(this);
    setProperty(report::PrintStep, true);
    connect(m_ui->btnStampa, &QPushButton::clicked, this, &CardPrintConfirm::btnStampaClick);
    connect(m_ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

CardPrintConfirm::~CardPrintConfirm() = default;

void CardPrintConfirm::btnStampaClick()
{
    const report::Template card = m_definition.report();
    if (m_definition.output == Output::Printer)
        report::printer::print(card, this);
    else
        report::printer::preview(card, this);
    accept();
}

} // namespace ui
