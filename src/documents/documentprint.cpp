#include "documents/documentprint.h"

#include "ui/cardprint.h"

using namespace Qt::Literals::StringLiterals;

namespace documents {

namespace {
const QColor LightSteelBlue(0xb0, 0xc4, 0xde);
const QColor Gold(0xff, 0xd7, 0x00);
const QColor RowFrame(0x70, 0x70, 0x70);
constexpr double Width = 188;  // mm, inside the margins
constexpr double FirstRow = 7; // mm from the top of the printable area
constexpr double RowPitch = 5;
constexpr double RowHeight = 4.6;
constexpr double RuleAt = 42; // the rule between labels and values
constexpr double ValueAt = 44;
} // namespace

report::Template documentCardReport(const QList<ui::PrintRow>& rows)
{
    report::Template t(u"repDocumento"_s);
    t.setOrientation(QPageLayout::Portrait);
    t.setMargins(QMarginsF(10, 10, 10, 10));
    report::Band& page = t.band(report::BandKind::Title);
    page.height = 119;

    report::Object title;
    title.name = u"titArcataSup"_s;
    title.rect = QRectF(0, 1, Width, 5.8);
    title.text = u"SCHEDA RIASSUNTIVA DEL DOCUMENTO"_s;
    title.fontSize = 9;
    title.background = LightSteelBlue;
    title.alignment = Qt::AlignCenter;
    t.add(report::BandKind::Title, title);

    for (int k = 1; k <= PrintedRows; ++k) {
        const QString number = u"%1"_s.arg(k, 2, 10, QChar(u'0'));
        const double top = FirstRow + RowPitch * (k - 1);
        report::Object frame;
        frame.kind = report::Object::Kind::Rectangle;
        frame.name = u"shpRiga"_s + number;
        frame.rect = QRectF(0, top, Width, RowHeight);
        frame.border = RowFrame;
        frame.borderWidth = 0.2;
        t.add(report::BandKind::Title, frame);
        report::Object label;
        label.name = u"lblRiga"_s + number;
        label.rect = QRectF(1, top, RuleAt - 2, RowHeight);
        label.text = rows.value(k - 1).label;
        label.fontSize = 7;
        t.add(report::BandKind::Title, label);
        report::Object value;
        value.name = u"txtRiga"_s + number;
        value.rect = QRectF(ValueAt, top, Width - ValueAt, RowHeight);
        value.text = rows.value(k - 1).value;
        value.fontSize = 7;
        t.add(report::BandKind::Title, value);
    }

    report::Object rule;
    rule.kind = report::Object::Kind::Line;
    rule.name = u"linSepara"_s;
    rule.rect = QRectF(RuleAt, FirstRow, 0, RowPitch * (PrintedRows - 1) + RowHeight);
    rule.border = RowFrame;
    rule.borderWidth = 0.2;
    t.add(report::BandKind::Title, rule);

    report::Object footer;
    footer.name = u"txtCalce"_s;
    footer.rect = QRectF(0, 113, Width, 5.8);
    footer.text = ui::printedAtText();
    footer.fontSize = 8;
    footer.background = Gold;
    footer.alignment = Qt::AlignCenter;
    t.add(report::BandKind::Title, footer);
    t.prepare();
    return t;
}

} // namespace documents
