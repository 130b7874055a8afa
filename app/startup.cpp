#include "app/startup.h"

#include <QApplication>
#include <QFont>

void setHighDpiAttributes()
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void installApplicationFont()
{
    QFont font;
    font.setFamily(QStringLiteral("黑体"));
    QApplication::setFont(font);
}
