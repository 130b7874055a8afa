#include "brenmoor.h"

#include <QApplication>
#include <QFont>

int main(int argc, char** argv)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);

    QApplication app(argc, argv);

    QFont font;
    font.setFamily(QStringLiteral("黑体"));
    QApplication::setFont(font);

    // Logging stays off: InitSpdLog() is deliberately not called here.
    Brenmoor window;
    window.show();
    return QApplication::exec();
}
