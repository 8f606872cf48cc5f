// The calendar's pictures: the navigation arrows of its dark bar, the three pieces of the day-name row, the
// day tiles (normal, under the mouse, selected), and the desk-calendar face's ground. Tiles are drawn at the
// calendar's cell size (25 x 24) and leave a one-pixel edge, so the grey ground between them reads as the
// grid.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kCellWidth = 25;
constexpr int kCellHeight = 24;

QImage Arrow(bool pointsRight)
{
    QImage image = BlankImage(12, 12);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    if (pointsRight) {
        path.moveTo(4, 2);
        path.lineTo(9, 6);
        path.lineTo(4, 10);
    } else {
        path.moveTo(8, 2);
        path.lineTo(3, 6);
        path.lineTo(8, 10);
    }
    path.closeSubpath();
    painter.fillPath(path, QColor(245, 245, 245));
    return image;
}

// side: -1 left end of the row, 0 middle, 1 right end.
QImage HeaderPiece(int side)
{
    QImage image = BlankImage(kCellWidth, kCellHeight);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Vertical(0, kCellHeight, QColor(236, 236, 234), QColor(212, 212, 208)));
    painter.setPen(QColor(128, 128, 124));
    painter.drawLine(0, kCellHeight - 1, kCellWidth - 1, kCellHeight - 1);
    painter.setPen(QColor(252, 252, 252));
    painter.drawLine(0, 0, kCellWidth - 1, 0);
    if (side < 0)
        painter.drawLine(0, 0, 0, kCellHeight - 2);
    if (side > 0) {
        painter.setPen(QColor(170, 170, 166));
        painter.drawLine(kCellWidth - 1, 0, kCellWidth - 1, kCellHeight - 2);
    }
    return image;
}

QImage Tile(const QColor& top, const QColor& bottom, const QColor& border)
{
    QImage image = BlankImage(kCellWidth, kCellHeight);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(1.5, 1.5, kCellWidth - 3, kCellHeight - 3);
    painter.setPen(border);
    painter.setBrush(Vertical(1, kCellHeight - 1, top, bottom));
    painter.drawRoundedRect(tile, 1.5, 1.5);
    return image;
}

// The desk-calendar face (100 x 50): a red band at the top for the month and the year, and a sheet of paper
// below for the day of the month and the weekday, split by a faint line. The face's panel frame is drawn by
// the widget over the outermost pixels.
QImage DeskFace()
{
    constexpr int width = 100;
    constexpr int height = 50;
    constexpr int band = 16;
    QImage image = BlankImage(width, height);
    QPainter painter(&image);
    painter.fillRect(QRect(0, band, width, height - band),
                     Vertical(band, height, QColor(252, 251, 247), QColor(228, 226, 218)));
    painter.fillRect(QRect(0, 0, width, band), Vertical(0, band, QColor(214, 58, 48), QColor(168, 32, 28)));
    painter.setPen(QColor(232, 110, 100));
    painter.drawLine(0, 1, width - 1, 1);
    painter.setPen(QColor(120, 20, 18));
    painter.drawLine(0, band - 1, width - 1, band - 1);
    painter.setPen(QColor(210, 206, 196));
    painter.drawLine(37, band + 6, 37, height - 6);
    return image;
}

static CImageRegistrar reg{
    {"images/public/Calendar/CalendarPre.png", [] { return Arrow(false); }},
    {"images/public/Calendar/CalendarNext.png", [] { return Arrow(true); }},
    {"images/public/Calendar/WeekLeft.png", [] { return HeaderPiece(-1); }},
    {"images/public/Calendar/WeekMiddle.png", [] { return HeaderPiece(0); }},
    {"images/public/Calendar/WeekRight.png", [] { return HeaderPiece(1); }},
    {"images/public/Calendar/CalendarNormal.png",
     [] { return Tile(QColor(255, 255, 255), QColor(238, 238, 236), QColor(196, 196, 192)); }},
    {"images/public/Calendar/CalendarHover.png",
     [] { return Tile(QColor(190, 220, 250, 150), QColor(150, 195, 240, 150), QColor(70, 130, 200)); }},
    {"images/public/Calendar/CalendarFocus.png",
     [] { return Tile(QColor(255, 214, 140), QColor(250, 178, 80), QColor(214, 120, 30)); }},
    {"images/public/calendar-background.png", [] { return DeskFace(); }},
};

} // namespace
