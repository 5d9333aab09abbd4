#pragma once

#include <QDialog>
#include <QPrinter>
#include <QScopedPointer>

class QPrintPreviewWidget;

namespace Ui {
class PreviewWindow;
}

namespace report {

class Template;

// The preview of a prepared report: print, zoom, full screen and close; the
// report cannot be edited here.
class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    PreviewWindow(const Template& report, QWidget* parent = nullptr);
    ~PreviewWindow() override;

private:
    const Template& m_report;
    QPrinter m_printer;
    QScopedPointer<Ui::PreviewWindow> m_ui;
    QPrintPreviewWidget* m_preview;
};

} // namespace report
