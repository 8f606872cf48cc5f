#pragma once

// Picture, region and screen helpers of the GUI side.

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QRegion>

class QWidget;

// A picture from the process-wide cache, loaded on a miss; a file that cannot be read is never cached.
QPixmap LoadCachedPixmap(const QString& file);

QRegion GetRoundRectRegion(const QRect& rect, int r);
QRegion GetLeftRoundRegion(const QRect& rect, int r);
QRegion GetRightRoundRegion(const QRect& rect, int r);
QRegion GetTopRoundRegion(const QRect& rect, int r);

// One screen: its whole geometry and the part that task bars leave usable.
struct SCREEN_AREA
{
    QRect Geometry;
    QRect Available;
};

// Moves a dragged window's position out of a task bar strip onto the usable area of the screens.
QPoint AdjustPosToScreen(QPoint pos);
QPoint AdjustPosToScreen(QPoint pos, const QList<SCREEN_AREA>& screens);

// Places a rectangle within the screen that shows the widget.
QRect FitRectToScreen(QRect rect, const QWidget* widget);
