#pragma once
// The application's one top-level window: sized and centred from the primary screen, holding
// the dark panel behind a drop shadow.

#include "app/cframelesswidgetbase.h"
#include "app/ctopwidget.h"

class QGraphicsDropShadowEffect;
class QVBoxLayout;

namespace Ui {
class Brenmoor;
}

class Brenmoor : public CFrameLessWidgetBase
{
    Q_OBJECT

public:
    explicit Brenmoor(CFrameLessWidgetBase* parent = nullptr, const DeviceWindowMaker& makeDeviceWindow = {});
    ~Brenmoor() override;

    CTopWidget* panel() const { return topWidget; }

private:
    QVBoxLayout* mainLayout = nullptr;
    CTopWidget* topWidget = nullptr;
    QGraphicsDropShadowEffect* shadowEffect = nullptr;
    Ui::Brenmoor* ui = nullptr;
};
