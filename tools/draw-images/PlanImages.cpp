// Pictures of the plan page: the icon of a plan in the plan list and of a channel in the channel list.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kBlue(52, 120, 196);
const QColor kDark(60, 72, 88);

// A plan: a sheet with a clock face, the schedule it keeps.
QImage PlanIcon()
{
    QImage image = BlankImage(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kDark, 1));
    p.setBrush(QColor(250, 251, 253));
    p.drawRoundedRect(QRectF(1.5, 1.5, 11, 13), 1.5, 1.5);
    p.setPen(QPen(QColor(150, 160, 172), 1));
    for (int y : {5, 8, 11})
        p.drawLine(QPointF(4, y), QPointF(8, y));
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(11, 11), 4.3, 4.3);
    p.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(11, 8.3));
    p.drawLine(QPointF(11, 11), QPointF(12.8, 12));
    return image;
}

static CImageRegistrar reg{
    {"images/ButtonIcon/copyplan.png", [] { return PlanIcon(); }},
};

} // namespace
