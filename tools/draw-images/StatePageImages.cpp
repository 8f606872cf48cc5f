// Pictures of the state page: the hint and legend marks and the camera of the manual backup's channel list.

#include "DrawImages.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInfoBlue(52, 120, 196);

// A round blue mark with a white "i", as wide as the image.
QImage InfoMark(int size)
{
    QImage image = BlankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kInfoBlue);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    p.setBrush(Qt::white);
    const double unit = size / 16.0;
    // The dot and the stem of the "i".
    p.drawEllipse(QRectF(size / 2.0 - 1.1 * unit, 3.0 * unit, 2.2 * unit, 2.2 * unit));
    p.drawRoundedRect(QRectF(size / 2.0 - 1.0 * unit, 6.5 * unit, 2.0 * unit, 6.5 * unit), 0.6 * unit,
                      0.6 * unit);
    return image;
}

QImage Camera()
{
    QImage image = BlankImage(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body(70, 84, 102);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    // Body, and the lens hood opening to the right.
    p.drawRoundedRect(QRectF(1.0, 4.5, 10.0, 7.0), 1.5, 1.5);
    QPainterPath hood;
    hood.moveTo(11.0, 6.5);
    hood.lineTo(15.0, 4.5);
    hood.lineTo(15.0, 11.5);
    hood.lineTo(11.0, 9.5);
    hood.closeSubpath();
    p.drawPath(hood);
    // The lens and a green "on" light.
    p.setBrush(kInfoBlue.lighter(140));
    p.drawEllipse(QRectF(4.0, 6.0, 4.0, 4.0));
    p.setBrush(QColor(76, 190, 96));
    p.drawEllipse(QRectF(2.2, 5.5, 1.6, 1.6));
    return image;
}

static CImageRegistrar reg{
    {"images/ButtonIcon/info_16.png", [] { return InfoMark(16); }},
    {"images/ButtonIcon/infor_24.png", [] { return InfoMark(24); }},
    {"images/ButtonIcon/Camera.png", [] { return Camera(); }},
};

} // namespace
