#include "app/brenmoor.h"

#include "app/ctopwidget.h"
#include "app/version.h"
#include "app/windowplacement.h"
#include "base/logging.h"
#include "ui_brenmoor.h"

#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

Brenmoor::Brenmoor(CFrameLessWidgetBase* parent, const DeviceWindowMaker& makeDeviceWindow)
    : CFrameLessWidgetBase(parent)
    , ui(new Ui::Brenmoor)
{
    ui->setupUi(this);
    setWindowTitle(tr("Lorvane") + QStringLiteral(" ") + QStringLiteral("v" BRENMOOR_VERSION));
    setAttribute(Qt::WA_TranslucentBackground);
    // Hover events let the resize cursor show over the edge band before any button is pressed.
    setAttribute(Qt::WA_Hover);

    mainLayout = new QVBoxLayout(this);
    topWidget = new CTopWidget(this, makeDeviceWindow);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int sw = screen.width();
    const int sh = screen.height();
    const WindowPlacement placement = initialWindowPlacement(sw, sh);
    resize(placement.width, placement.height);
    setMinimumSize(placement.width, placement.height);
    move(placement.x, placement.y);
    BM_LOG_INFO("{}X{} -> {}X{}", sw, sh, placement.width, placement.height);

    mainLayout->addWidget(topWidget);
    mainLayout->setContentsMargins(0, 0, 0, 0);

    shadowEffect = new QGraphicsDropShadowEffect(this);
    shadowEffect->setOffset(0, 0);
    shadowEffect->setColor(QColor(125, 125, 125, 255));
    shadowEffect->setBlurRadius(0);
    topWidget->setGraphicsEffect(shadowEffect);
}

Brenmoor::~Brenmoor()
{
    delete ui;
}
