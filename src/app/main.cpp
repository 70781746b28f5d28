#include "app/CheckerApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CCheckerApp app;
    return app.InitInstance();
}
