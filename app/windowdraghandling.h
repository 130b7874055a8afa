#pragma once
// Who carries out a drag of the frameless window: the window itself, or the compositor. A
// Wayland client cannot place its own top-level window (QWidget::move does nothing there), so
// on Wayland the drag is handed to the compositor once the pointer moves.

#include <QString>
#include <qnamespace.h>

enum class DragHandling { MoveItself, AskCompositor };

// For the name QGuiApplication::platformName() gives: every Wayland plugin ("wayland",
// "wayland-egl", "wayland-brcm", ...) asks the compositor; the others (xcb, offscreen,
// windows, cocoa, eglfs, vnc, ...) let the window place itself.
DragHandling dragHandlingFor(const QString& platformName);

// The edges a compositor resizes for the frameless base's edge bits (DirLeft, DirRight, DirTop,
// DirBottom); no bits, no edges.
Qt::Edges resizeEdges(int direction);
