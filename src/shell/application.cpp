#include "shell/application.h"

#include "shell/passwordgate.h"
#include "shell/screens.h"
#include "ui/style.h"

#include <QApplication>

namespace shell {

int run(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    Screens screens;
    screens.gate()->show();
    return QApplication::exec();
}

} // namespace shell
