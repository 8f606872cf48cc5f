// Pictures of the device page's buttons: a database drum, a plus, a pencil and a cross, in the flat style of
// the other button icons (16 x 16, a light fill with a slate outline and one strong colour).

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSize = 16;
const QColor kOutline(96, 108, 122);
const QColor kFill(250, 251, 252);

QImage DatabaseIcon()
{
    QImage image = BlankImage(kSize, kSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body(70, 130, 190);
    const QColor top(150, 190, 228);
    const QRectF drum(2.5, 2.0, 11.0, 12.0);
    // The drum's side, then its three bands and the top ellipse.
    QPainterPath side;
    side.moveTo(drum.left(), 4.5);
    side.lineTo(drum.left(), 12.0);
    side.arcTo(QRectF(drum.left(), 10.0, drum.width(), 4.5), 180, 180);
    side.lineTo(drum.right(), 4.5);
    side.closeSubpath();
    p.fillPath(side, body);
    p.setPen(QPen(top, 1.0));
    for (double y : {6.8, 9.6}) {
        QPainterPath band;
        band.moveTo(drum.left() + 0.5, y);
        band.arcTo(QRectF(drum.left() + 0.5, y - 2.2, drum.width() - 1.0, 4.4), 180, 180);
        p.drawPath(band);
    }
    p.setPen(QPen(QColor(40, 90, 140), 1.0));
    p.drawPath(side);
    p.setBrush(top);
    p.drawEllipse(QRectF(drum.left(), 2.25, drum.width(), 4.5));
    return image;
}

QImage AddIcon()
{
    QImage image = BlankImage(kSize, kSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 120, 60), 1.0));
    p.setBrush(QColor(52, 160, 88));
    p.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(4.5, 8.0), QPointF(11.5, 8.0));
    p.drawLine(QPointF(8.0, 4.5), QPointF(8.0, 11.5));
    return image;
}

QImage EditIcon()
{
    QImage image = BlankImage(kSize, kSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A sheet behind a pencil laid from the top right down to the bottom left.
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(kFill);
    p.drawRect(QRectF(1.5, 2.5, 9.0, 12.0));
    p.setPen(QPen(QColor(170, 178, 188), 1.0));
    for (double y : {5.5, 7.5, 9.5})
        p.drawLine(QPointF(3.5, y), QPointF(7.5, y));
    p.translate(10.5, 8.0);
    p.rotate(45);
    QPainterPath pencil;
    pencil.addRect(QRectF(-1.8, -7.0, 3.6, 9.5));
    p.fillPath(pencil, QColor(232, 160, 40));
    p.fillRect(QRectF(-1.8, -7.0, 3.6, 2.0), QColor(200, 80, 80));
    QPainterPath tip;
    tip.moveTo(-1.8, 2.5);
    tip.lineTo(1.8, 2.5);
    tip.lineTo(0.0, 5.8);
    tip.closeSubpath();
    p.fillPath(tip, QColor(240, 214, 170));
    p.setPen(QPen(QColor(120, 80, 30), 0.8));
    p.drawPath(pencil);
    p.drawPath(tip);
    return image;
}

QImage DeleteIcon()
{
    QImage image = BlankImage(kSize, kSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(160, 40, 40), 1.0));
    p.setBrush(QColor(210, 64, 64));
    p.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(5.3, 5.3), QPointF(10.7, 10.7));
    p.drawLine(QPointF(10.7, 5.3), QPointF(5.3, 10.7));
    return image;
}

static CImageRegistrar reg{
    {"images/ButtonIcon/Database.png", DatabaseIcon},
    {"images/ButtonIcon/add.png", AddIcon},
    {"images/ButtonIcon/Edit.png", EditIcon},
    {"images/ButtonIcon/Delete.png", DeleteIcon},
};

} // namespace
