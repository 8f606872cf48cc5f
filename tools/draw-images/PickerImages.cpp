// The channel choosers' placeholder, shipped beside the program in ChannelPicture/: shown for a channel whose
// snapshot could not be taken, so it reads as "no picture from this channel" rather than "still loading".

#include "DrawImages.h"

#include <QPainter>

namespace {

QImage DrawNoSnapshot()
{
    // The camera of the default thumbnail, dimmed, with a bar across it.
    const QColor ground(72, 80, 92);
    QImage image = DrawCameraCard(ground, QColor(98, 107, 120), QColor(150, 160, 174));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ground, 11, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(52, 40), QPointF(140, 122));
    p.setPen(QPen(QColor(214, 112, 96), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(52, 40), QPointF(140, 122));
    return image;
}

const CImageRegistrar reg{
    {"ChannelPicture/example_pic.png", [] { return DrawNoSnapshot(); }},
};

} // namespace
