#pragma once

class QApplication;

namespace ui {
// The run's fixed settings: Italian locale with "dd/mm/yyyy" and the decimal
// comma whatever the machine says, the Italian texts of Qt's own dialogs,
// the icon theme, fonts and the program's look.
void setUpApplication(QApplication& app);
} // namespace ui
