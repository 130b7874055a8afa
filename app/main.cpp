#include "app/brenmoor.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();

    // Logging stays off: InitSpdLog() is deliberately not called here.
    Brenmoor window;
    window.show();
    return QApplication::exec();
}
