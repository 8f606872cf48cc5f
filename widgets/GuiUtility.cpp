#include "widgets/GuiUtility.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmapCache>
#include <QScreen>
#include <QWidget>

#include <limits>

QPixmap LoadCachedPixmap(const QString& file)
{
    QPixmap pixmap;
    if (QPixmapCache::find(file, &pixmap))
        return pixmap;
    const QImage image(file);
    if (image.isNull())
        return QPixmap();
    pixmap = QPixmap::fromImage(image, Qt::OrderedDither | Qt::OrderedAlphaDither);
    if (pixmap.isNull())
        return QPixmap();
    QPixmapCache::insert(file, pixmap);
    return pixmap;
}

namespace {

QRegion Corner(const QRect& rect, int r, bool right, bool bottom)
{
    const int x = right ? rect.right() + 1 - 2 * r : rect.x();
    const int y = bottom ? rect.bottom() + 1 - 2 * r : rect.y();
    return QRegion(QRect(x, y, 2 * r, 2 * r), QRegion::Ellipse);
}

} // namespace

QRegion GetRoundRectRegion(const QRect& rect, int r)
{
    QRegion region(rect.adjusted(r, 0, -r, 0));
    region += QRegion(rect.adjusted(0, r, 0, -r));
    region += Corner(rect, r, false, false);
    region += Corner(rect, r, true, false);
    region += Corner(rect, r, false, true);
    region += Corner(rect, r, true, true);
    return region;
}

QRegion GetLeftRoundRegion(const QRect& rect, int r)
{
    QRegion region(rect.adjusted(r, 0, 0, 0));
    region += QRegion(rect.adjusted(0, r, 0, -r));
    region += Corner(rect, r, false, false);
    region += Corner(rect, r, false, true);
    return region;
}

QRegion GetRightRoundRegion(const QRect& rect, int r)
{
    QRegion region(rect.adjusted(0, 0, -r, 0));
    region += QRegion(rect.adjusted(0, r, 0, -r));
    region += Corner(rect, r, true, false);
    region += Corner(rect, r, true, true);
    return region;
}

QRegion GetTopRoundRegion(const QRect& rect, int r)
{
    QRegion region(rect.adjusted(0, r, 0, 0));
    region += QRegion(rect.adjusted(r, 0, -r, 0));
    region += Corner(rect, r, false, false);
    region += Corner(rect, r, true, false);
    return region;
}

namespace {

qint64 DistanceSquared(const QRect& rect, QPoint pos)
{
    const qint64 dx =
        pos.x() < rect.left() ? rect.left() - pos.x() : (pos.x() > rect.right() ? pos.x() - rect.right() : 0);
    const qint64 dy =
        pos.y() < rect.top() ? rect.top() - pos.y() : (pos.y() > rect.bottom() ? pos.y() - rect.bottom() : 0);
    return dx * dx + dy * dy;
}

bool AnySpansRow(const QList<SCREEN_AREA>& screens, int y)
{
    for (const SCREEN_AREA& s : screens)
        if (y >= s.Available.top() && y <= s.Available.bottom())
            return true;
    return false;
}

bool AnySpansColumn(const QList<SCREEN_AREA>& screens, int x)
{
    for (const SCREEN_AREA& s : screens)
        if (x >= s.Available.left() && x <= s.Available.right())
            return true;
    return false;
}

} // namespace

QPoint AdjustPosToScreen(QPoint pos, const QList<SCREEN_AREA>& screens)
{
    if (screens.isEmpty())
        return pos;
    for (const SCREEN_AREA& s : screens)
        if (s.Available.contains(pos))
            return pos;

    const SCREEN_AREA* nearest = &screens.first();
    qint64 best = std::numeric_limits<qint64>::max();
    for (const SCREEN_AREA& s : screens) {
        const qint64 d = DistanceSquared(s.Geometry, pos);
        if (d < best) {
            best = d;
            nearest = &s;
        }
    }
    const QRect& a = nearest->Available;
    const QRect& g = nearest->Geometry;

    if (a.contains(g.topLeft()) && a.contains(g.topRight())) {
        // Strip at the bottom: a screen below may take the point.
        if (AnySpansRow(screens, g.bottom() + 1))
            return pos;
        return QPoint(pos.x(), a.bottom());
    }
    if (a.contains(g.topLeft()) && a.contains(g.bottomLeft())) {
        if (AnySpansColumn(screens, g.right() + 1))
            return pos;
        return QPoint(a.right(), pos.y());
    }
    if (a.contains(g.topRight()) && a.contains(g.bottomRight())) {
        if (AnySpansColumn(screens, g.x() - 1))
            return pos;
        return QPoint(a.x(), pos.y());
    }
    // Strip at the top: a screen above may take the point.
    if (AnySpansRow(screens, g.top() - 1))
        return pos;
    return QPoint(pos.x(), a.y());
}

QPoint AdjustPosToScreen(QPoint pos)
{
    QList<SCREEN_AREA> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    return AdjustPosToScreen(pos, screens);
}

QRect FitRectToScreen(QRect rect, const QWidget* widget)
{
    const QScreen* screen = widget != nullptr ? widget->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return rect;
    const QRect area = screen->availableGeometry();
    if (rect.width() > area.width())
        rect.setWidth(area.width());
    if (rect.height() > area.height())
        rect.setHeight(area.height());
    if (rect.right() > area.right())
        rect.moveRight(area.right());
    if (rect.bottom() > area.bottom())
        rect.moveBottom(area.bottom());
    if (rect.left() < area.left())
        rect.moveLeft(area.left());
    if (rect.top() < area.top())
        rect.moveTop(area.top());
    return rect;
}
