#pragma once
// The report engine: a template of one A4 page description with bands and
// named objects, laid out into pages, then printed, previewed or written to
// PDF. Positions and sizes are in millimetres; heights may also be given in
// report units (pixels at 96 per inch).

#include <QColor>
#include <QFont>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPainter;
class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace report {

constexpr double MmPerUnit = 25.4 / 96.0;
inline double unitsToMm(double units)
{
    return units * MmPerUnit;
}

enum class BandKind { Title, MasterData, Footer };

struct Object {
    enum class Kind { Text, Rectangle, Line, Picture };
    Kind kind = Kind::Text;
    QString name;
    QRectF rect; // mm, relative to the band's top left corner; a line runs from top left to bottom right
    // Text fields
    QString text;
    QStringList lines;      // a multi-line field prints one line each, never wrapped
    bool multiLine = false; // when set, `lines` is printed and may continue on the next page
    // A multi-line field may read its lines instead, a page at a time while
    // it is drawn: `lineCount` lines, the line at an index from `lineAt`.
    qsizetype lineCount = 0;
    std::function<QString(qsizetype)> lineAt;
    QString fontFamily = QStringLiteral("Arial");
    double fontSize = 10; // points
    bool bold = false;
    QColor colour = Qt::black;
    QColor background = Qt::transparent;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool frame = false;
    double linePitch = 0;      // mm between the lines of a multi-line field; 0 means the font's
    bool dateVariable = false; // [DATE] in the text becomes the date of printing
    // Shapes and lines
    QColor border = Qt::black;
    double borderWidth = 0.3; // mm
    double radius = 0;        // mm, rounded corners
    // Pictures
    QString picturePath; // a file or resource
};

struct Band {
    BandKind kind;
    QString name;
    double height = 0; // mm
    QList<Object> objects;
    // The footer ends at the bottom margin of the last page instead of
    // straight under the data (still below the data, never over it).
    bool atPageBottom = false;
};

// What one page shows: objects placed in page millimetres.
struct PlacedObject {
    const Object* object;
    QRectF rect;       // on the page, mm from the paper's top left corner
    QStringList lines; // the lines of a multi-line field that fall on this page
    // Of a field that reads its lines: the first on this page and how many.
    qsizetype firstLine = 0;
    qsizetype lineCount = 0;
};
struct Page {
    QList<PlacedObject> objects;
};

class Template {
public:
    explicit Template(QString name = QString());

    const QString& name() const { return m_name; }
    void setOrientation(QPageLayout::Orientation orientation) { m_orientation = orientation; }
    QPageLayout::Orientation orientation() const { return m_orientation; }
    void setMargins(const QMarginsF& mm) { m_margins = mm; }
    QPageLayout pageLayout() const;

    Band& band(BandKind kind);
    const Band& band(BandKind kind) const;
    Object& add(BandKind kind, const Object& object);

    // Finds an object by name in any band; null when there is none.
    Object* find(const QString& name);
    const Object* find(const QString& name) const { return const_cast<Template*>(this)->find(name); }
    // Finds a band by name ("MasterData").
    Band* findBand(const QString& name);

    void setText(const QString& field, const QString& text);
    void clearLines(const QString& field);
    void addLine(const QString& field, const QString& line);
    // The lines of a field read while the pages are drawn (Object::lineAt).
    void setLines(const QString& field, qsizetype count, std::function<QString(qsizetype)> lineAt);
    // Height of an object or a band, in report units.
    void setHeight(const QString& name, double units);

    // Lays the bands out on pages: the title band at the top of the first
    // page, the data band after it, the footer band once after the data.
    // A band that does not fit in the rest of the page continues on the next
    // one: a band with a multi-line field continues line by line; any other
    // band splits between its objects, never through one: the objects that
    // would pass the bottom margin, and every object starting no higher than
    // the highest of them, move to the next page, keeping their places
    // relative to each other, the highest at the top margin. An object taller
    // than the page gets the top of a page and runs past the bottom margin.
    // The footer band starts a new page rather than split when it fits on
    // one, and then takes the last line of a multi-line field with it: a
    // footer never stands alone on the last page. In the fields marked with dateVariable, [DATE] becomes the date of
    // printing.
    void prepare();
    const QList<Page>& pages() const { return m_pages; }

    // Draws the prepared pages on a printer or PDF writer.
    void render(QPagedPaintDevice* device) const;
    void renderPage(QPainter& painter, const Page& page, double pixelsPerMm) const;

private:
    QString m_name;
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    QMarginsF m_margins { 10, 10, 10, 10 };
    QList<Band> m_bands;
    QList<Page> m_pages;
};

// A window with this property set (the print confirm, the preview) is a step
// of the print of the screen under it, whose title names the document.
constexpr const char* PrintStep = "printStep";

// The printing target: the system's printers through the print dialog, or a
// PDF file in tests.
namespace printer {
// Prints a prepared report (after the print dialog); false when the user cancels.
bool print(const Template& report, QWidget* parent = nullptr);
// Writes the prepared report to a PDF file, replacing it, with no dialog.
bool exportPdf(const Template& report, const QString& path, const QString& title);
// Shows the preview window (print, zoom, full screen, close) modally.
void preview(const Template& report, QWidget* parent = nullptr);
// Tests send every print to this PDF file (empty: the real printers).
void setPdfTarget(const QString& path);
// Tests replace the preview window.
void setPreviewHandler(std::function<void(const Template&)> handler);
// Tests replace the print dialog: the handler gets the printer as the dialog
// would (its document name proposes the output file) and answers whether to
// print. An empty handler puts the dialog back.
void setDialogHandler(std::function<bool(QPrinter&, QWidget*)> handler);
} // namespace printer

// The list print shared by every list screen: A4 landscape, a grey title
// band, the lines in a fixed-pitch font, and the date of printing below.
Template listTemplate();
// Title, lines in list order, heights, prepare and print.
bool printList(const QString& title, const QStringList& lines, QWidget* parent = nullptr);
// The same with `count` lines read one page at a time while the pages are
// drawn, so that a list of a million lines is never held twice.
bool printList(
    const QString& title, qsizetype count, std::function<QString(qsizetype)> lineAt, QWidget* parent = nullptr);
// Report units of one line of the list print.
constexpr double ListLineUnits = 12.822;

} // namespace report
