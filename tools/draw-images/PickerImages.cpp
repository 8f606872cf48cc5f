// The channel choosers' placeholder, shipped beside the program in ChannelPicture/: shown for a channel whose
// snapshot could not be taken, so it reads as "no picture from this channel" rather than "still loading".

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage DrawNoSnapshot()
{
    const int w = 192;
    const int h = 150;
    QImage image = BlankImage(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), QColor(72, 80, 92));
    p.setPen(QPen(QColor(98, 107, 120), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));

    // The camera of the default thumbnail, dimmed, with a bar across it.
    const QColor glyph(150, 160, 174);
    p.setPen(Qt::NoPen);
    p.setBrush(glyph);
    QPainterPath body;
    body.addRoundedRect(QRectF(50, 52, 72, 46), 8, 8);
    QPainterPath hood;
    hood.moveTo(124, 66);
    hood.lineTo(146, 54);
    hood.lineTo(146, 96);
    hood.lineTo(124, 84);
    hood.closeSubpath();
    p.drawPath(body.united(hood));
    p.setBrush(QColor(72, 80, 92));
    p.drawEllipse(QPointF(86, 75), 14, 14);
    p.setBrush(glyph);
    p.drawEllipse(QPointF(86, 75), 8, 8);
    p.drawRect(QRectF(80, 98, 12, 14));
    p.drawRoundedRect(QRectF(66, 110, 40, 7), 3, 3);

    p.setPen(QPen(QColor(72, 80, 92), 11, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(52, 40), QPointF(140, 122));
    p.setPen(QPen(QColor(214, 112, 96), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(52, 40), QPointF(140, 122));
    return image;
}

const CImageRegistrar reg{
    {"ChannelPicture/example_pic.png", [] { return DrawNoSnapshot(); }},
};

} // namespace
