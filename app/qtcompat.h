#pragma once
// What differs between Qt 5 and Qt 6 for the window, in one place: Qt 6 gives event points as
// floating-point positions and has dropped the integer ones Qt 5 has. (Elsewhere: the high-DPI
// attributes Qt 6 always has, in startup.cpp; sizes that are qsizetype in Qt 6, cast where an
// int is meant.)

#include <QMouseEvent>
#include <QPoint>

inline QPoint globalPointOf(const QMouseEvent* event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->globalPosition().toPoint();
#else
    return event->globalPos();
#endif
}

inline QPoint pointOf(const QHoverEvent* event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().toPoint();
#else
    return event->pos();
#endif
}

// A hover move from `old` to `now`, in the widget's coordinates, as the platform sends one.
inline QHoverEvent hoverMove(const QPointF& now, const QPointF& old)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 3, 0)
    return QHoverEvent(QEvent::HoverMove, now, now, old);
#else
    return QHoverEvent(QEvent::HoverMove, now, old);
#endif
}
