#pragma once
// The dark rounded panel that fills the top-level window and hosts the device list.

#include <QWidget>
#include <functional>

class mainwindow;

// Builds the device list inside the panel. Empty: the window on the system's interfaces;
// tests give one that sees a host of their own.
using DeviceWindowMaker = std::function<mainwindow*(QWidget* parent)>;

class CTopWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CTopWidget(QWidget* parent = nullptr, const DeviceWindowMaker& makeDeviceWindow = {});

    mainwindow* deviceWindow = nullptr;
};
