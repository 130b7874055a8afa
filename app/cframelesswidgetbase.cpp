#include "app/cframelesswidgetbase.h"

#include "app/qtcompat.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QWindow>

CFrameLessWidgetBase::CFrameLessWidgetBase(QWidget* parent)
    : QWidget(parent)
    , handling(dragHandlingFor(QGuiApplication::platformName()))
{
}

int CFrameLessWidgetBase::getResizeDirection(const QPoint& p)
{
    const int w = width();
    const int h = height();
    const int b = borderWidth;
    int d = 0;
    if (p.x() <= b)
        d += DirLeft;
    if (p.x() >= w - b)
        d += DirRight;
    if (p.y() <= b)
        d += DirTop;
    if (p.y() >= h - b)
        d += DirBottom;
    return d;
}

void CFrameLessWidgetBase::resizeWindow(const QPoint& g)
{
    const int dx = g.x() - pressGlobalPos.x();
    const int dy = g.y() - pressGlobalPos.y();
    QRect r = pressGeometry;
    if (direction & DirLeft)
        r.setLeft(r.left() + dx);
    if (direction & DirRight)
        r.setRight(r.right() + dx);
    if (direction & DirTop)
        r.setTop(r.top() + dy);
    if (direction & DirBottom)
        r.setBottom(r.bottom() + dy);

    // The clamp keeps the edge opposite to the dragged one where it was at the press.
    if (r.width() < minimumWidth()) {
        if (direction & DirLeft)
            r.setLeft(r.right() - minimumWidth());
        else
            r.setRight(r.left() + minimumWidth());
    }
    if (r.height() < minimumHeight()) {
        if (direction & DirTop)
            r.setTop(r.bottom() - minimumHeight());
        else
            r.setBottom(r.top() + minimumHeight());
    }
    setGeometry(r);
}

void CFrameLessWidgetBase::updateCursor(int d)
{
    switch (d) {
    case DirLeft:
    case DirRight:
        setCursor(Qt::SizeHorCursor);
        break;
    case DirTop:
    case DirBottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case DirLeft | DirTop:
    case DirRight | DirBottom:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case DirRight | DirTop:
    case DirLeft | DirBottom:
        setCursor(Qt::SizeBDiagCursor);
        break;
    default: // no edge, or contradictory edges on a tiny window
        setCursor(Qt::ArrowCursor);
        break;
    }
}

bool CFrameLessWidgetBase::event(QEvent* e)
{
    if (e->type() == QEvent::HoverMove && resizable)
        updateCursor(getResizeDirection(pointOf(static_cast<QHoverEvent*>(e))));
    return QWidget::event(e);
}

void CFrameLessWidgetBase::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    direction = getResizeDirection(e->pos());
    if (direction != 0 && resizable) {
        resizing = true;
        pressGlobalPos = globalPointOf(e);
        pressGeometry = geometry();
        handOverPending = handling == DragHandling::AskCompositor;
        QWidget::mousePressEvent(e);
        return;
    }
    // Controls keep their own presses; a drag must not start from under them. The test is
    // by inheritance so that subclasses of these controls count too.
    const QWidget* child = childAt(e->pos());
    const bool onControl = child
        && (child->inherits("QPushButton") || child->inherits("QLineEdit")
            || child->inherits("QComboBox"));
    if (!onControl) {
        moving = true;
        dragOffset = globalPointOf(e) - frameGeometry().topLeft();
    }
    handOverPending = moving && handling == DragHandling::AskCompositor;
    QWidget::mousePressEvent(e);
}

void CFrameLessWidgetBase::mouseMoveEvent(QMouseEvent* e)
{
    // One try per drag: a compositor that refused leaves the drag to the widget's own way.
    if (handOverPending) {
        handOverPending = false;
        if (handOver()) {
            QWidget::mouseMoveEvent(e);
            return;
        }
    }
    if (resizing && resizable)
        resizeWindow(globalPointOf(e));
    else if (moving)
        move(globalPointOf(e) - dragOffset);
    else if (resizable)
        updateCursor(getResizeDirection(e->pos()));
    QWidget::mouseMoveEvent(e);
}

void CFrameLessWidgetBase::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        endDrag();
    QWidget::mouseReleaseEvent(e);
}

bool CFrameLessWidgetBase::askCompositor(Qt::Edges edges)
{
    QWindow* window = windowHandle();
    if (!window)
        return false;
    return edges ? window->startSystemResize(edges) : window->startSystemMove();
}

bool CFrameLessWidgetBase::handOver()
{
    if (!askCompositor(resizing ? resizeEdges(direction) : Qt::Edges()))
        return false;
    // The compositor carries the drag from here and may swallow its release: nothing of it is
    // left for a later press to find.
    endDrag();
    return true;
}

void CFrameLessWidgetBase::endDrag()
{
    moving = false;
    resizing = false;
    direction = 0;
    handOverPending = false;
    setCursor(Qt::ArrowCursor);
}

void CFrameLessWidgetBase::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::WindowStateChange)
        borderWidth = isMaximized() ? 0 : 5;
    QWidget::changeEvent(e);
}
