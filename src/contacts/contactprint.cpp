#include "contacts/contactprint.h"

#include "ui/cardprint.h"

using namespace Qt::Literals::StringLiterals;

namespace contacts {

namespace {
const QColor DarkOrange(0xc0, 0x5a, 0x12);
const QColor Teal(0x1f, 0x7a, 0x7a);
} // namespace

report::Template contactCardReport(const QList<ui::PrintRow>& rows)
{
    report::Template t(u"Scheda informativa"_s);
    t.setOrientation(QPageLayout::Portrait);
    t.setMargins(QMarginsF(10, 10, 10, 10));
    report::Band& page = t.band(report::BandKind::Title);
    page.height = 277;

    report::Object logo;
    logo.kind = report::Object::Kind::Picture;
    logo.name = u"imgLogo"_s;
    logo.rect = QRectF(3, 3, 17, 13);
    logo.picturePath = u":/ui/quirvale.svg"_s;
    t.add(report::BandKind::Title, logo);

    report::Object title;
    title.name = u"txtTitolo"_s;
    title.rect = QRectF(23, 3, 165, 9);
    title.text = u"SCHEDA ANAGRAFICA CONTATTO"_s;
    title.fontSize = 16;
    title.colour = Qt::white;
    title.background = DarkOrange;
    title.alignment = Qt::AlignCenter;
    t.add(report::BandKind::Title, title);

    report::Object rule;
    rule.kind = report::Object::Kind::Line;
    rule.name = u"linSepara01"_s;
    rule.rect = QRectF(23, 16, 165, 0);
    rule.border = DarkOrange;
    t.add(report::BandKind::Title, rule);

    for (int k = 1; k <= PrintedRows; ++k) {
        const QString number = u"%1"_s.arg(k, 2, 10, QChar(u'0'));
        const double top = 24 + 10 * (k - 1);
        report::Object label;
        label.name = u"titCampo"_s + number;
        label.rect = QRectF(3, top, 52, 6);
        label.text = rows.value(k - 1).label;
        label.fontSize = 9;
        label.colour = Qt::white;
        label.background = Teal;
        t.add(report::BandKind::Title, label);
        report::Object value;
        value.name = u"txtCampo"_s + number;
        value.rect = QRectF(60, top, 128, 6);
        value.text = rows.value(k - 1).value;
        value.fontSize = 10;
        t.add(report::BandKind::Title, value);
    }

    report::Object bottomRule = rule;
    bottomRule.name = u"linSepara02"_s;
    bottomRule.rect = QRectF(3, 265, 185, 0);
    t.add(report::BandKind::Title, bottomRule);

    report::Object footer;
    footer.name = u"txtCalce"_s;
    footer.rect = QRectF(3, 269, 185, 6);
    footer.text = ui::printedAtText();
    footer.fontSize = 10;
    footer.colour = Qt::white;
    footer.background = DarkOrange;
    footer.alignment = Qt::AlignCenter;
    t.add(report::BandKind::Title, footer);
    t.prepare();
    return t;
}

} // namespace contacts
