#pragma once
// Window base that moves its window when dragged anywhere but on a push button, line edit or
// combo box, and resizes it when dragged on the band along its edges. Where the platform does
// not let a window place itself (Wayland), the first motion of such a drag hands it to the
// compositor instead.

#include "app/windowdraghandling.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

class CFrameLessWidgetBase : public QWidget
{
    Q_OBJECT

public:
    enum Direction { DirLeft = 1, DirRight = 2, DirTop = 4, DirBottom = 8 };

    explicit CFrameLessWidgetBase(QWidget* parent = nullptr);

    // Edge bits for a point in widget-local coordinates. The left and top bands are
    // borderWidth + 1 pixels wide, the right and bottom bands borderWidth.
    int getResizeDirection(const QPoint& p);
    // Applies a border drag whose pointer has reached the global position g, always from the
    // geometry captured at the press, clamped to the minimum size.
    void resizeWindow(const QPoint& g);
    void updateCursor(int direction);

    // Chosen from the platform when the window is built.
    DragHandling dragHandling() const { return handling; }

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

    // Asks the compositor to move the window (no edges) or to resize it by those edges; false
    // when it will not. Virtual so that a test can stand in for the compositor.
    virtual bool askCompositor(Qt::Edges edges);

    int borderWidth = 5;
    bool resizable = true;
    bool moving = false;
    bool resizing = false;
    int direction = 0;
    QPoint dragOffset;
    QPoint pressGlobalPos;
    QRect pressGeometry;
    DragHandling handling;
    // A drag started on a platform that asks the compositor, and not yet handed over: the
    // hand-over waits for the first motion so that a click stays a click.
    bool handOverPending = false;

private:
    bool handOver();
    void endDrag();
};
