#include "app/brenmoor.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "base/consoleline.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    setHighDpiAttributes();
    QApplication app(argc, argv);
    installApplicationFont();
    installTranslations(QLocale(), translationFolders());

    const SingleInstance instance;
    if (!instance.claimed()) {
        brenmoor::console::printErrorLine(instance.refusal().toStdString());
        QMessageBox::information(nullptr, QStringLiteral("Lorvane"), instance.refusal());
        return 1;
    }

    // Logging stays off: InitSpdLog() is deliberately not called here.
    Brenmoor window;
    window.show();
    return QApplication::exec();
}
