#pragma once
// Style sheets shared by the device list window and its rows; built once before main().

#include <QString>

extern const QString buttonBluePushButton;
extern const QString styleSheet_QTableWidget_2;
