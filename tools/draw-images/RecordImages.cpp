// Pictures of the record page: the Search button's magnifier, the play button of a result row and the
// recorder icon of the camera tree.

#include "DrawImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kOutline(96, 108, 122);
const QColor kBlue(45, 110, 190);

QImage SearchIcon()
{
    constexpr int size = 32;
    QImage image = BlankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The handle first, so the lens rim covers its end.
    p.setPen(QPen(QColor(70, 80, 92), 5.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20.0, 20.0), QPointF(28.0, 28.0));

    const QRectF lens(3.5, 3.5, 19.0, 19.0);
    QLinearGradient glass(lens.topLeft(), lens.bottomRight());
    glass.setColorAt(0, QColor(236, 245, 255));
    glass.setColorAt(1, QColor(178, 210, 242));
    p.setBrush(glass);
    p.setPen(QPen(kBlue, 3.0));
    p.drawEllipse(lens);

    // A highlight on the glass.
    p.setPen(QPen(QColor(255, 255, 255, 220), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7.5, 7.5, 11.0, 11.0), 100 * 16, 70 * 16);
    return image;
}

QImage StartViewingIcon()
{
    constexpr int size = 16;
    QImage image = BlankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF disc(1.0, 1.0, 14.0, 14.0);
    p.setBrush(Vertical(disc.top(), disc.bottom(), QColor(78, 170, 104), QColor(38, 132, 74)));
    p.setPen(QPen(QColor(30, 110, 60), 1.0));
    p.drawEllipse(disc);

    QPainterPath triangle;
    triangle.moveTo(6.0, 4.5);
    triangle.lineTo(11.5, 8.0);
    triangle.lineTo(6.0, 11.5);
    triangle.closeSubpath();
    p.fillPath(triangle, QColor(255, 255, 255));
    return image;
}

// A recorder seen from the front: a flat box with a disc slot and two lamps.
QImage RecorderIcon()
{
    constexpr int size = 16;
    QImage image = BlankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF box(1.5, 4.5, 13.0, 8.0);
    p.setBrush(Vertical(box.top(), box.bottom(), QColor(122, 134, 150), QColor(76, 88, 104)));
    p.setPen(QPen(QColor(56, 66, 80), 1.0));
    p.drawRoundedRect(box, 1.5, 1.5);

    p.setPen(QPen(QColor(210, 218, 228), 1.0));
    p.drawLine(QPointF(3.5, 8.5), QPointF(9.0, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 220, 120));
    p.drawEllipse(QRectF(10.5, 7.5, 2.0, 2.0));
    p.setBrush(QColor(120, 180, 255));
    p.drawEllipse(QRectF(10.5, 10.0, 2.0, 1.6));
    // Feet.
    p.setBrush(kOutline);
    p.drawRect(QRectF(3.0, 12.5, 2.0, 1.5));
    p.drawRect(QRectF(11.0, 12.5, 2.0, 1.5));
    return image;
}

static CImageRegistrar reg{{"images/ButtonIcon/search.png", SearchIcon},
                           {"images/ButtonIcon/StartViewing.png", StartViewingIcon},
                           {"images/Import/GroupList/group.png", RecorderIcon}};

} // namespace
