#pragma once
// Style sheets shared by the device list window and its rows; built once before main().

#include <QString>

class QPushButton;

extern const QString buttonBluePushButton;
extern const QString styleSheet_QTableWidget_2;

// At least `minimum` pixels, wider where the button's text, in its style sheet's font, needs
// it with `padding` pixels around it: a translation may be longer than the English the widths
// were chosen for, and a cut word is no label.
int widthForText(QPushButton* button, int minimum, int padding);
