// The channel thumbnails' pictures: the default picture shown while a channel has no snapshot, and the eight
// frames of the small turning overlay shown while one is fetched.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

QImage DrawCameraCard(const QColor& ground, const QColor& border, const QColor& glyph)
{
    const int w = 192;
    const int h = 150;
    QImage image = BlankImage(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), ground);
    p.setPen(QPen(border, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));

    p.setPen(Qt::NoPen);
    p.setBrush(glyph);
    // Body with a lens opening, and the lens hood on the right.
    QPainterPath body;
    body.addRoundedRect(QRectF(50, 52, 72, 46), 8, 8);
    QPainterPath hood;
    hood.moveTo(124, 66);
    hood.lineTo(146, 54);
    hood.lineTo(146, 96);
    hood.lineTo(124, 84);
    hood.closeSubpath();
    p.drawPath(body.united(hood));
    p.setBrush(ground);
    p.drawEllipse(QPointF(86, 75), 14, 14);
    p.setBrush(glyph);
    p.drawEllipse(QPointF(86, 75), 8, 8);
    // Stand.
    p.drawRect(QRectF(80, 98, 12, 14));
    p.drawRoundedRect(QRectF(66, 110, 40, 7), 3, 3);
    return image;
}

namespace {

// A camera outline on a calm grey-blue ground: clearly "no picture yet", quiet beside real snapshots.
QImage DrawDefaultThumbnail()
{
    return DrawCameraCard(QColor(226, 231, 237), QColor(200, 207, 216), QColor(142, 153, 167));
}

// Frame n of the turning overlay: eight dots on a dark disc, the brightest one moving clockwise as the frame
// number falls (the thumbnails step 7, 6 ... 1, 8, 7 as their counter grows).
QImage DrawLoadingFrame(int frame)
{
    const int size = 44;
    QImage image = BlankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 44, 52, 150));
    p.drawEllipse(QRectF(2, 2, size - 4, size - 4));

    const int head = (8 - frame) % 8;
    const QPointF centre(size / 2.0, size / 2.0);
    for (int i = 0; i < 8; ++i) {
        const double angle = i * M_PI / 4.0; // clockwise from the top
        const QPointF dot(centre.x() + 13.0 * std::sin(angle), centre.y() - 13.0 * std::cos(angle));
        const int behind = (head - i + 8) % 8; // 0 for the head, 1 just behind it ...
        const int alpha = std::max(60, 255 - behind * 40);
        const double radius = behind == 0 ? 4.2 : 3.4;
        p.setBrush(QColor(255, 255, 255, alpha));
        p.drawEllipse(dot, radius, radius);
    }
    return image;
}

const CImageRegistrar reg{
    {"images/Import/importStream.png", [] { return DrawDefaultThumbnail(); }},
    {"images/Import/Animation1.png", [] { return DrawLoadingFrame(1); }},
    {"images/Import/Animation2.png", [] { return DrawLoadingFrame(2); }},
    {"images/Import/Animation3.png", [] { return DrawLoadingFrame(3); }},
    {"images/Import/Animation4.png", [] { return DrawLoadingFrame(4); }},
    {"images/Import/Animation5.png", [] { return DrawLoadingFrame(5); }},
    {"images/Import/Animation6.png", [] { return DrawLoadingFrame(6); }},
    {"images/Import/Animation7.png", [] { return DrawLoadingFrame(7); }},
    {"images/Import/Animation8.png", [] { return DrawLoadingFrame(8); }},
};

} // namespace
