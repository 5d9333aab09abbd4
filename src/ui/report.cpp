#include "ui/report.h"

#include "storage/safefiles.h"
#include "storage/texts.h"
#include "ui/reportpreview.h"
#include "ui/services.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace report {

Template::Template(QString name)
    : m_name(std::move(name))
{
    m_bands = { { BandKind::Title, u"TitleBand"_s, 0, {} }, { BandKind::MasterData, u"MasterData"_s, 0, {} },
        { BandKind::Footer, u"PageFooter"_s, 0, {} } };
}

QPageLayout Template::pageLayout() const
{
    return QPageLayout(QPageSize(QPageSize::A4), m_orientation, m_margins, QPageLayout::Millimeter);
}

Band& Template::band(BandKind kind)
{
    return m_bands[int(kind)];
}
const Band& Template::band(BandKind kind) const
{
    return m_bands[int(kind)];
}

Object& Template::add(BandKind kind, const Object& object)
{
    Band& b = band(kind);
    b.objects.append(object);
    return b.objects.last();
}

Object* Template::find(const QString& name)
{
    for (Band& b : m_bands) {
        for (Object& o : b.objects) {
            if (o.name == name)
                return &o;
        }
    }
    return nullptr;
}

Band* Template::findBand(const QString& name)
{
    for (Band& b : m_bands) {
        if (b.name == name)
            return &b;
    }
    return nullptr;
}

void Template::setText(const QString& field, const QString& text)
{
    if (Object* o = find(field)) {
        o->text = text;
        o->lines = text.split(u'\n');
    }
}

void Template::clearLines(const QString& field)
{
    if (Object* o = find(field)) {
        o->text.clear();
        o->lines.clear();
    }
}

void Template::addLine(const QString& field, const QString& line)
{
    if (Object* o = find(field)) {
        // The text grows by the line alone: a body of many lines is built in linear time.
        if (!o->lines.isEmpty())
            o->text += u'\n';
        o->text += line;
        o->lines.append(line);
    }
}

void Template::setLines(const QString& field, qsizetype count, std::function<QString(qsizetype)> lineAt)
{
    if (Object* o = find(field)) {
        o->text.clear();
        o->lines.clear();
        o->lineCount = count;
        o->lineAt = std::move(lineAt);
    }
}

void Template::setHeight(const QString& name, double units)
{
    if (Object* o = find(name))
        o->rect.setHeight(unitsToMm(units));
    else if (Band* b = findBand(name))
        b->height = unitsToMm(units);
}

namespace {

double pitchOf(const Object& o)
{
    if (o.linePitch > 0)
        return o.linePitch;
    QFont font(o.fontFamily);
    font.setPointSizeF(o.fontSize);
    font.setBold(o.bold);
    const QFontMetricsF metrics(font);
    return metrics.lineSpacing() * 25.4 / metrics.fontDpi();
}

// The part of a line that fits the width: a text field never wraps, it is cut
// at its right edge.
QString fitting(const QString& line, const QFontMetricsF& metrics, double width)
{
    if (metrics.horizontalAdvance(line) <= width)
        return line;
    qsizetype low = 0, high = line.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(line.left(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return line.left(low);
}

// Only the fields a template marks for it get the date of printing; the
// texts of a record print as they are, "[DATE]" included.
QString resolved(const Object& o, const QString& text)
{
    if (!o.dateVariable)
        return text;
    QString t = text;
    return t.replace(u"[DATE]"_s, texts::formatDate(ui::clock::today()));
}

QStringList textLines(const Object& o)
{
    if (o.kind != Object::Kind::Text)
        return {};
    if (!o.multiLine)
        return { resolved(o, o.text) };
    QStringList lines;
    for (const QString& line : o.lines)
        lines << resolved(o, line);
    return lines;
}

constexpr double Tolerance = 1e-6; // mm

// Places bands one under the other on pages between the margins, opening a
// new page when one is full.
class Pager {
public:
    Pager(QList<Page>& pages, double left, double top, double bottom)
        : m_pages(pages)
        , m_left(left)
        , m_top(top)
        , m_bottom(bottom)
        , m_y(top)
    {
        m_pages.append(Page());
    }

    bool atPageTop() const { return m_y <= m_top + Tolerance; }
    bool fits(double height) const { return m_y + height <= m_bottom + Tolerance; }
    // Moves the next band down, never up.
    void moveTo(double y) { m_y = std::max(m_y, y); }
    void newPage()
    {
        m_pages.append(Page());
        m_y = m_top;
    }

    // `keepWith`: the height of the band that follows and must share the
    // page with the end of this one (the footer with the last lines).
    void placeBand(const Band& b, double keepWith = 0)
    {
        if (fits(b.height + keepWith)) {
            placeWhole(b);
            return;
        }
        for (const Object& o : b.objects) {
            if (o.kind == Object::Kind::Text && o.multiLine) {
                placeFlowing(b, o, keepWith);
                return;
            }
        }
        if (fits(b.height)) {
            placeWhole(b);
            return;
        }
        placeSplit(b);
    }

private:
    void place(const Object& o, double bandTop)
    {
        if (o.lineAt)
            m_pages.last().objects.append({ &o, o.rect.translated(m_left, bandTop), {}, 0, o.lineCount });
        else
            m_pages.last().objects.append({ &o, o.rect.translated(m_left, bandTop), textLines(o) });
    }

    void placeWhole(const Band& b)
    {
        for (const Object& o : b.objects)
            place(o, m_y);
        m_y += b.height;
    }

    // The band's other objects print with its first part; the lines of the
    // multi-line field continue page after page.
    void placeFlowing(const Band& b, const Object& flowing, double keepWith)
    {
        for (const Object& o : b.objects) {
            if (&o != &flowing)
                place(o, m_y);
        }
        const double pitch = pitchOf(flowing);
        // A field reading its lines gets only their range on each page.
        const QStringList all = flowing.lineAt ? QStringList() : textLines(flowing);
        const qsizetype total = flowing.lineAt ? flowing.lineCount : all.size();
        qsizetype next = 0;
        double lineTop = m_y + flowing.rect.top();
        while (true) {
            const qsizetype fit = std::max<qsizetype>(1, qsizetype((m_bottom - lineTop) / pitch + 1e-9));
            qsizetype count = std::min(fit, total - next);
            // The last lines fit here but what follows them does not: the
            // last line goes over with it, so it never stands alone.
            const double tail = b.height - flowing.rect.bottom();
            if (next + count == total && count > 1 && lineTop + count * pitch + tail + keepWith > m_bottom + Tolerance)
                --count;
            const QRectF rect(m_left + flowing.rect.left(), lineTop, flowing.rect.width(), count * pitch);
            if (flowing.lineAt)
                m_pages.last().objects.append({ &flowing, rect, {}, next, count });
            else
                m_pages.last().objects.append({ &flowing, rect, all.mid(next, count) });
            next += count;
            if (next >= total) {
                m_y = lineTop + count * pitch + (b.height - flowing.rect.bottom());
                return;
            }
            newPage();
            lineTop = m_top;
        }
    }

    // Splits the band between its objects, page after page.
    void placeSplit(const Band& b)
    {
        QList<const Object*> rest;
        for (const Object& o : b.objects)
            rest << &o;
        double origin = m_y; // the band's top, on this page
        while (true) {
            std::optional<double> cut = highestOverflow(rest, origin, std::nullopt);
            if (cut && origin + *cut <= m_top + Tolerance) {
                // Already at the top of a page: what starts there cannot get
                // more room on another page, so it stays.
                cut = highestOverflow(rest, origin, *cut);
            }
            QList<const Object*> moving;
            for (const Object* o : rest) {
                if (cut && o->rect.top() >= *cut - Tolerance)
                    moving << o;
                else
                    place(*o, origin);
            }
            if (moving.isEmpty()) {
                m_y = origin + b.height;
                return;
            }
            newPage();
            origin = m_top - *cut;
            rest = moving;
        }
    }

    // The top (in band millimetres) of the highest object that passes the
    // bottom margin with the band's top at origin, among those starting
    // below `below`.
    std::optional<double> highestOverflow(
        const QList<const Object*>& objects, double origin, std::optional<double> below) const
    {
        std::optional<double> cut;
        for (const Object* o : objects) {
            if (below && o->rect.top() <= *below + Tolerance)
                continue;
            if (origin + o->rect.bottom() > m_bottom + Tolerance && (!cut || o->rect.top() < *cut))
                cut = o->rect.top();
        }
        return cut;
    }

    QList<Page>& m_pages;
    const double m_left, m_top, m_bottom;
    double m_y;
};

} // namespace

void Template::prepare()
{
    m_pages.clear();
    const QRectF paper = pageLayout().fullRect(QPageLayout::Millimeter);
    const double top = m_margins.top();
    const double bottom = paper.height() - m_margins.bottom();
    Pager pager(m_pages, m_margins.left(), top, bottom);

    const Band& footer = band(BandKind::Footer);
    const double footerKept = footer.height <= bottom - top + Tolerance ? footer.height : 0;
    pager.placeBand(band(BandKind::Title));
    pager.placeBand(band(BandKind::MasterData), footerKept);

    if (!pager.fits(footer.height) && footer.height <= bottom - top + Tolerance && !pager.atPageTop())
        pager.newPage();
    if (footer.atPageBottom)
        pager.moveTo(bottom - footer.height);
    pager.placeBand(footer);
}

void Template::renderPage(QPainter& painter, const Page& page, double pixelsPerMm) const
{
    const auto toPixels = [pixelsPerMm](const QRectF& mm) {
        return QRectF(
            mm.left() * pixelsPerMm, mm.top() * pixelsPerMm, mm.width() * pixelsPerMm, mm.height() * pixelsPerMm);
    };
    for (const PlacedObject& placed : page.objects) {
        const Object& o = *placed.object;
        const QRectF r = toPixels(placed.rect);
        painter.save();
        switch (o.kind) {
        case Object::Kind::Text: {
            if (o.background.alpha() > 0)
                painter.fillRect(r, o.background);
            if (o.frame) {
                painter.setPen(QPen(o.border, o.borderWidth * pixelsPerMm));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(r);
            }
            QFont font(o.fontFamily);
            font.setPointSizeF(o.fontSize);
            font.setBold(o.bold);
            const QFont deviceFont(font, painter.device());
            painter.setFont(deviceFont);
            const QFontMetricsF metrics(deviceFont, painter.device());
            painter.setPen(o.colour);
            const double inset = o.frame || o.background.alpha() > 0 ? 1.2 * pixelsPerMm : 0;
            const QRectF inner = r.adjusted(inset, 0, -inset, 0);
            painter.setClipRect(r);
            if (o.multiLine) {
                const double pitch = pitchOf(o) * pixelsPerMm;
                const qsizetype count = o.lineAt ? placed.lineCount : placed.lines.size();
                for (qsizetype i = 0; i < count; ++i) {
                    const QRectF line(inner.left(), inner.top() + i * pitch, inner.width(), pitch);
                    const QString text = o.lineAt ? resolved(o, o.lineAt(placed.firstLine + i)) : placed.lines[i];
                    painter.drawText(line, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                        fitting(text, metrics, line.width()));
                }
            } else if (!placed.lines.isEmpty()) {
                painter.drawText(inner, int(o.alignment | Qt::TextSingleLine),
                    fitting(placed.lines.first(), metrics, inner.width()));
            }
            break;
        }
        case Object::Kind::Rectangle:
            painter.setPen(o.borderWidth > 0 ? QPen(o.border, o.borderWidth * pixelsPerMm) : QPen(Qt::NoPen));
            painter.setBrush(o.background.alpha() > 0 ? QBrush(o.background) : QBrush(Qt::NoBrush));
            painter.setRenderHint(QPainter::Antialiasing);
            if (o.radius > 0)
                painter.drawRoundedRect(r, o.radius * pixelsPerMm, o.radius * pixelsPerMm);
            else
                painter.drawRect(r);
            break;
        case Object::Kind::Line:
            painter.setPen(QPen(o.border, o.borderWidth * pixelsPerMm));
            painter.drawLine(r.topLeft(), r.bottomRight());
            break;
        case Object::Kind::Picture: {
            QImageReader reader(o.picturePath);
            const QSize target = r.size().toSize();
            if (reader.canRead()) {
                QSize size = reader.size().isValid() ? reader.size() : target;
                size.scale(target, Qt::KeepAspectRatio);
                reader.setScaledSize(size);
                const QImage image = reader.read();
                QRectF where(QPointF(), size);
                where.moveCenter(r.center());
                painter.drawImage(where, image);
            }
            break;
        }
        }
        painter.restore();
    }
}

void Template::render(QPagedPaintDevice* device) const
{
    QPainter painter(device);
    const double pixelsPerMm = device->logicalDpiX() / 25.4;
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        if (i > 0)
            device->newPage();
        renderPage(painter, m_pages[i], pixelsPerMm);
    }
}

namespace printer {

namespace {
QString pdfTarget;
std::function<void(const Template&)> previewHandler;
std::function<bool(QPrinter&, QWidget*)> dialogHandler;

// The title of the screen that prints, as a file name: the print confirm
// and the preview give the title of the screen they belong to.
QString documentName(const Template& report, QWidget* parent)
{
    QWidget* window = parent ? parent->window() : nullptr;
    while (window && window->property(PrintStep).toBool() && window->parentWidget())
        window = window->parentWidget()->window();
    QString name = window ? window->windowTitle().trimmed() : QString();
    name.remove(QRegularExpression(u"^Quirvale 5\\.0 - "_s));
    name.replace(QRegularExpression(u"[/\\\\:*?\"<>|]"_s), u" "_s);
    name = name.simplified();
    return name.isEmpty() ? report.name() : name;
}

QPageLayout paperOnly(const Template& report)
{
    return QPageLayout(QPageSize(QPageSize::A4), report.orientation(), QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}
} // namespace

namespace {

// A PDF text string: UTF-16 with its byte order mark, in hexadecimal.
QByteArray pdfString(const QString& text)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return '<' + bytes.toHex().toUpper() + '>';
}

// Qt's writer fills the information dictionary with the title, creator,
// producer and date only. An update appended to the file (a new dictionary
// with the same entries plus author and subject, its cross-reference section
// and a trailer pointing back to the first) adds the rest; every reader takes
// the last dictionary. A file of another shape is left as it is.
QByteArray withAuthorAndSubject(const QByteArray& pdf, const QString& author, const QString& subject)
{
    static const QRegularExpression trailerPattern(
        u"trailer\\s*<<(.*?)>>\\s*startxref\\s*(\\d+)\\s*%%EOF\\s*$"_s, QRegularExpression::DotMatchesEverythingOption);
    const QString tail = QString::fromLatin1(pdf.right(600));
    const QRegularExpressionMatch trailer = trailerPattern.match(tail);
    if (!trailer.hasMatch())
        return pdf;
    const QString dictionary = trailer.captured(1);
    static const QRegularExpression sizePattern(u"/Size\\s+(\\d+)"_s);
    static const QRegularExpression rootPattern(u"/Root\\s+(\\d+\\s+\\d+\\s+R)"_s);
    static const QRegularExpression infoPattern(u"/Info\\s+(\\d+)\\s+0\\s+R"_s);
    const auto size = sizePattern.match(dictionary);
    const auto root = rootPattern.match(dictionary);
    const auto info = infoPattern.match(dictionary);
    if (!size.hasMatch() || !root.hasMatch() || !info.hasMatch())
        return pdf;
    // The entries of the first dictionary, kept.
    const QByteArray objectStart = '\n' + info.captured(1).toLatin1() + " 0 obj";
    const qsizetype at = pdf.lastIndexOf(objectStart);
    const qsizetype open = at < 0 ? -1 : pdf.indexOf("<<", at);
    const qsizetype close = open < 0 ? -1 : pdf.indexOf(">>", open);
    if (close < 0)
        return pdf;
    const QByteArray entries = pdf.mid(open + 2, close - open - 2);

    const qint64 number = size.captured(1).toLongLong();
    QByteArray out = pdf;
    if (!out.endsWith('\n'))
        out += '\n';
    const qint64 objectOffset = out.size();
    out += QByteArray::number(number) + " 0 obj\n<<" + entries + "/Author " + pdfString(author) + "\n/Subject "
        + pdfString(subject) + "\n>>\nendobj\n";
    const qint64 xrefOffset = out.size();
    out += "xref\n" + QByteArray::number(number) + " 1\n" + QByteArray::number(objectOffset).rightJustified(10, '0')
        + " 00000 n \n";
    out += "trailer\n<<\n/Size " + QByteArray::number(number + 1) + "\n/Root " + root.captured(1).toLatin1()
        + "\n/Info " + QByteArray::number(number) + " 0 R\n/Prev " + trailer.captured(2).toLatin1()
        + "\n>>\nstartxref\n" + QByteArray::number(xrefOffset) + "\n%%EOF\n";
    return out;
}

} // namespace

bool exportPdf(const Template& report, const QString& path, const QString& title)
{
    // Written beside the target under a temporary name and put in place in
    // one step: a viewer showing the old file never meets a half-written one,
    // a failure leaves the old file as it was, and a link in the target's
    // place is replaced rather than written through.
    safefiles::Replacement replacement(path);
    if (!replacement.open())
        return false;
    QFile file;
    if (!file.open(replacement.handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return false;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(u"Quirvale 5.0"_s);
        // The author travels in the document's XMP metadata (Qt's writer has no
        // author entry of its own).
        const QString xmp
            = u"<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>"
              u"<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
              u"<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
              u"xmlns:xmp='http://ns.adobe.com/xap/1.0/'>"
              u"<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>%1</rdf:li></rdf:Alt></dc:title>"
              u"<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>%1</rdf:li></rdf:Alt></dc:description>"
              u"<dc:creator><rdf:Seq><rdf:li>Quirvale 5.0</rdf:li></rdf:Seq></dc:creator>"
              u"<xmp:CreatorTool>Quirvale 5.0</xmp:CreatorTool>"
              u"</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>"_s.arg(title.toHtmlEscaped());
        writer.setDocumentXmpMetadata(xmp.toUtf8());
        writer.setResolution(600);
        writer.setPageLayout(paperOnly(report));
        report.render(&writer);
    }
    const QByteArray bytes = withAuthorAndSubject(buffer.data(), u"Quirvale 5.0"_s, title);
    const bool written
        = !bytes.isEmpty() && file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    return written && replacement.commit();
}

bool print(const Template& report, QWidget* parent)
{
    if (!pdfTarget.isEmpty())
        return exportPdf(report, pdfTarget, report.name());
    QPrinter device(QPrinter::HighResolution);
    device.setDocName(documentName(report, parent));
    device.setCreator(u"Quirvale 5.0"_s);
    device.setFullPage(true);
    device.setPageLayout(paperOnly(report));
    if (dialogHandler) {
        if (!dialogHandler(device, parent))
            return false;
    } else {
        QPrintDialog dialog(&device, parent);
        dialog.setWindowTitle(u"Stampa"_s);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    report.render(&device);
    return true;
}

void preview(const Template& report, QWidget* parent)
{
    if (previewHandler) {
        previewHandler(report);
        return;
    }
    PreviewWindow window(report, parent);
    window.exec();
}

void setPdfTarget(const QString& path)
{
    pdfTarget = path;
}
void setPreviewHandler(std::function<void(const Template&)> handler)
{
    previewHandler = std::move(handler);
}
void setDialogHandler(std::function<bool(QPrinter&, QWidget*)> handler)
{
    dialogHandler = std::move(handler);
}

} // namespace printer

Template listTemplate()
{
    Template t(u"Riepilogo"_s);
    t.setOrientation(QPageLayout::Landscape);
    t.setMargins(QMarginsF(10, 10, 10, 10));
    const double width = 297 - 20;

    Band& title = t.band(BandKind::Title);
    title.height = 14;
    Object titleField;
    titleField.name = u"txtTitolo"_s;
    titleField.rect = QRectF(0, 0, width, 10);
    titleField.text = u"Riepilogo"_s;
    titleField.fontSize = 14;
    titleField.bold = true;
    titleField.colour = Qt::white;
    titleField.background = QColor(0x70, 0x80, 0x90); // slate grey
    titleField.alignment = Qt::AlignCenter;
    t.add(BandKind::Title, titleField);

    Band& data = t.band(BandKind::MasterData);
    data.height = unitsToMm(10);
    Object lines;
    lines.name = u"txtRiepilogo"_s;
    lines.rect = QRectF(0, 0, width, 0);
    lines.multiLine = true;
    lines.fontFamily = u"Courier New"_s;
    lines.fontSize = 8;
    lines.linePitch = unitsToMm(ListLineUnits);
    t.add(BandKind::MasterData, lines);

    Band& footer = t.band(BandKind::Footer);
    footer.height = 10;
    Object rule;
    rule.kind = Object::Kind::Line;
    rule.name = u"linPagina"_s;
    rule.rect = QRectF(0, 2, width, 0);
    rule.border = QColor(0x70, 0x80, 0x90);
    t.add(BandKind::Footer, rule);
    Object page;
    page.name = u"txtPagina"_s;
    page.rect = QRectF(0, 3, width, 6);
    page.text = u"Stampa eseguita in data [DATE]"_s;
    page.dateVariable = true;
    page.fontSize = 9;
    page.colour = QColor(0x34, 0x49, 0x5e);
    t.add(BandKind::Footer, page);
    return t;
}

bool printList(const QString& title, const QStringList& lines, QWidget* parent)
{
    return printList(
        title, lines.size(), [&lines](qsizetype i) { return lines[i]; }, parent);
}

bool printList(const QString& title, qsizetype count, std::function<QString(qsizetype)> lineAt, QWidget* parent)
{
    Template t = listTemplate();
    t.setText(u"txtTitolo"_s, title);
    t.setLines(u"txtRiepilogo"_s, count, std::move(lineAt));
    t.setHeight(u"txtRiepilogo"_s, count * ListLineUnits);
    t.setHeight(u"MasterData"_s, count * ListLineUnits + 10);
    t.prepare();
    return printer::print(t, parent);
}

} // namespace report
