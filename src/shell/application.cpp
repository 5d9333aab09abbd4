#include "shell/application.h"

#include <QApplication>
#include <QMainWindow>

namespace shell {

int run(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral(" Quirvale 5.0"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}

} // namespace shell
