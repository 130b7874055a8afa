#include "app/ctopwidget.h"

#include "ui/mainwindow.h"

#include <QVBoxLayout>

CTopWidget::CTopWidget(QWidget* parent, const DeviceWindowMaker& makeDeviceWindow)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground);
    // A bare QWidget selector on purpose: every descendant without a rule of its own takes
    // the panel's colour and corners.
    setStyleSheet(QStringLiteral("QWidget{background-color:rgb(35,35,35);"
                                 "border-top-left-radius:10px;border-top-right-radius:10px;"
                                 "border-bottom-left-radius:10px;border-bottom-right-radius:10px;}"));
    auto* layout = new QVBoxLayout;
    layout->setSpacing(0);
    deviceWindow = makeDeviceWindow ? makeDeviceWindow(this) : new mainwindow(this);
    layout->addWidget(deviceWindow);
    layout->setContentsMargins(0, 0, 0, 0);
    setLayout(layout);
}
