#pragma once
// The dark rounded panel that fills the top-level window and hosts the device list.

#include <QWidget>

class mainwindow;

class CTopWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CTopWidget(QWidget* parent = nullptr);

    mainwindow* deviceWindow = nullptr;
};
