#pragma once

#include "ui/widgets.h"

#include <QScopedPointer>

namespace Ui {
class PlaceholderArea;
}
class QToolButton;

namespace ui {

// A working area whose screen is not built yet: its caption, its picture and
// the exit back to the main menu.
class PlaceholderArea : public AreaScreen {
    Q_OBJECT
public:
    PlaceholderArea(const QString& caption, const QString& title, const QString& iconName, QWidget* parent = nullptr);
    ~PlaceholderArea() override;
    // Adds a command before the exit.
    QToolButton* addCommand(const QString& objectName, const QString& word, const QString& iconName);

private:
    QScopedPointer<Ui::PlaceholderArea> m_ui;
};

} // namespace ui
