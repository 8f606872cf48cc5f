// Pictures of the log page: the export button's icon, a sheet with an arrow leaving it.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage OutputIcon()
{
    constexpr int size = 16;
    QImage image = BlankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The sheet with a folded corner.
    QPainterPath sheet;
    sheet.moveTo(2.5, 1.5);
    sheet.lineTo(8.5, 1.5);
    sheet.lineTo(11.5, 4.5);
    sheet.lineTo(11.5, 14.5);
    sheet.lineTo(2.5, 14.5);
    sheet.closeSubpath();
    p.fillPath(sheet, QColor(250, 251, 252));
    p.setPen(QPen(QColor(96, 108, 122), 1.0));
    p.drawPath(sheet);
    p.drawLine(QPointF(8.5, 1.5), QPointF(8.5, 4.5));
    p.drawLine(QPointF(8.5, 4.5), QPointF(11.5, 4.5));
    p.setPen(QPen(QColor(170, 178, 188), 1.0));
    for (double y : {7.5, 9.5})
        p.drawLine(QPointF(4.5, y), QPointF(7.5, y));

    // The arrow leaving the sheet to the right.
    const QColor arrow(38, 132, 74);
    p.setPen(QPen(arrow, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6.0, 11.0), QPointF(12.0, 11.0));
    QPainterPath head;
    head.moveTo(11.0, 7.5);
    head.lineTo(15.5, 11.0);
    head.lineTo(11.0, 14.5);
    head.closeSubpath();
    p.fillPath(head, arrow);
    return image;
}

static CImageRegistrar reg{{"images/ButtonIcon/Output.png", OutputIcon}};

} // namespace
