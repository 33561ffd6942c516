#include "ui/Application.h"

#include <QApplication>
#include <QMainWindow>

int Application::run(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QObject::tr("Corvid RCON Admin"));
    window.show();
    return app.exec();
}
