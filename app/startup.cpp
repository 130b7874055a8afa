#include "app/startup.h"

#include <QApplication>
#include <QFont>

void setHighDpiAttributes()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales and always uses high-DPI pixmaps; it has dropped the attributes.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void installApplicationFont()
{
    QFont font;
    font.setFamily(QStringLiteral("黑体"));
    QApplication::setFont(font);
}
