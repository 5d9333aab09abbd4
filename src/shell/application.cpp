#include "shell/application.h"

#include "shell/password.h"
#include "shell/screens.h"
#include "ui/style.h"

#include <QApplication>

namespace shell {

int run(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    createScreens();
    frmPassword->show();
    const int result = QApplication::exec();
    destroyScreens();
    return result;
}

} // namespace shell
