#include "app/mainwindow.h"
#include "app/program_end.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    int exitCode = 0;
    {
        MainWindow window(nullptr);
        window.show();
        exitCode = application.exec();
    }
    return end_program(exitCode);
}
