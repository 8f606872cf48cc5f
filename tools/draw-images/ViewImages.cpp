// Pictures of the table and tree views: selected rows, the group bars of the plan tree and their arrows.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kArrow(90, 100, 112);

QImage RowBackground(int width, int height, const QColor& top, const QColor& bottom, const QColor& edge)
{
    QImage image = BlankImage(width, height);
    QPainter p(&image);
    p.fillRect(image.rect(), Vertical(0, height, top, bottom));
    p.setPen(edge);
    p.drawLine(0, 0, width - 1, 0);
    p.drawLine(0, height - 1, width - 1, height - 1);
    return image;
}

// A filled triangle centred in the image, pointing up or down.
QImage Triangle(int width, int height, int size, bool down, const QColor& colour)
{
    QImage image = BlankImage(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(width / 2.0, height / 2.0);
    const double h = size / 2.0;
    const double q = down ? size / 4.0 : -size / 4.0;
    QPainterPath path;
    path.moveTo(c.x() - h, c.y() - q);
    path.lineTo(c.x() + h, c.y() - q);
    path.lineTo(c.x(), c.y() + q);
    path.closeSubpath();
    p.fillPath(path, colour);
    return image;
}

QImage GroupBar()
{
    QImage image = BlankImage(8, 28);
    QPainter p(&image);
    p.fillRect(image.rect(), Vertical(0, 28, QColor(246, 248, 250), QColor(226, 231, 237)));
    p.setPen(QColor(255, 255, 255));
    p.drawLine(0, 0, 7, 0);
    p.setPen(QColor(200, 206, 214));
    p.drawLine(0, 27, 7, 27);
    return image;
}

QImage ArrowHover()
{
    QImage image = BlankImage(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 150, 190, 70));
    p.drawEllipse(QRectF(0.5, 0.5, 11, 11));
    return image;
}

QImage GroupBox()
{
    QImage image = BlankImage(8, 8);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(255, 255, 255));
    p.setPen(QColor(200, 206, 214));
    p.drawRect(0, 0, 7, 7);
    return image;
}

CImageRegistrar reg{
    {"images/public/TreeView/ViewMidItem.png",
     [] { return RowBackground(8, 26, QColor(86, 152, 222), QColor(58, 126, 202), QColor(46, 108, 180)); }},
    {"images/public/TreeView/TreeSelect.png",
     [] { return RowBackground(8, 26, QColor(96, 160, 226), QColor(70, 136, 210), QColor(70, 136, 210)); }},
    {"images/public/TreeView/TreeNormal.png", [] { return GroupBar(); }},
    {"images/public/TreeView/TreeArrowDown.png", [] { return Triangle(12, 12, 8, true, kArrow); }},
    {"images/public/TreeView/TreeArrowUp.png", [] { return Triangle(12, 12, 8, false, kArrow); }},
    {"images/public/TreeView/TreeArrowHover.png", [] { return ArrowHover(); }},
    {"images/public/TreeView/tree_bg.png", [] { return GroupBox(); }},
};

} // namespace
