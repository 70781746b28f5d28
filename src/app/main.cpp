#include "app/CheckerApp.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[])
{
    // Network errors come back as results; a peer that went away must not
    // end the program.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication application(argc, argv);
    CCheckerApp app;
    return app.InitInstance();
}
