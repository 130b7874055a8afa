#include "app/windowdraghandling.h"

#include "app/cframelesswidgetbase.h"

DragHandling dragHandlingFor(const QString& platformName)
{
    return platformName.startsWith(QLatin1String("wayland")) ? DragHandling::AskCompositor : DragHandling::MoveItself;
}

Qt::Edges resizeEdges(int direction)
{
    Qt::Edges edges;
    if (direction & CFrameLessWidgetBase::DirLeft)
        edges |= Qt::LeftEdge;
    if (direction & CFrameLessWidgetBase::DirRight)
        edges |= Qt::RightEdge;
    if (direction & CFrameLessWidgetBase::DirTop)
        edges |= Qt::TopEdge;
    if (direction & CFrameLessWidgetBase::DirBottom)
        edges |= Qt::BottomEdge;
    return edges;
}
