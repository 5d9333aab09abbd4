#include "ui/reportpreview.h"

#include "ui/report.h"
#include "ui/widgets.h"

#include "ui_reportpreview.h"

#include <QPrintPreviewWidget>
#include <QPrinter>

namespace report {

PreviewWindow::PreviewWindow(const Template& report, QWidget* parent)
    : QDialog(parent, Qt::Window)
    , m_report(report)
    , m_printer(QPrinter::HighResolution)
    , m_ui(new Ui::PreviewWindow)
{
    m_ui->setupUi(this);
    setProperty(PrintStep, true);
    ui::applyIcons(this);
    m_printer.setFullPage(true);
    m_printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), report.orientation(), QMarginsF(), QPageLayout::Millimeter));
    m_preview = new QPrintPreviewWidget(&m_printer, m_ui->panAnteprima);
    m_preview->setObjectName(QStringLiteral("preAnteprima"));
    m_ui->layAnteprima->addWidget(m_preview);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        printer->setFullPage(true);
        m_report.render(printer);
    });
    connect(m_ui->btnStampa, &QToolButton::clicked, this, [this] { printer::print(m_report, this); });
    connect(m_ui->btnZoomPiu, &QToolButton::clicked, m_preview, [this] { m_preview->zoomIn(); });
    connect(m_ui->btnZoomMeno, &QToolButton::clicked, m_preview, [this] { m_preview->zoomOut(); });
    connect(m_ui->btnPagina, &QToolButton::clicked, m_preview, &QPrintPreviewWidget::fitInView);
    connect(
        m_ui->btnSchermoIntero, &QToolButton::toggled, this, [this](bool on) { on ? showFullScreen() : showNormal(); });
    connect(m_ui->btnChiudi, &QToolButton::clicked, this, &QDialog::close);
    m_preview->setZoomMode(QPrintPreviewWidget::FitInView);
    // Whole, title bar included, inside the screen's free area.
    ui::centreWindow(this, parent);
}

PreviewWindow::~PreviewWindow() = default;

} // namespace report
