// The settings dialog's pictures: the tab strip under the title and its two tab faces. The strip is the
// dialog body's light grey-blue with the accent line along its foot; the chosen tab is a white face that
// opens onto the page below, the others sit back in grey.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kStrip(229, 234, 240);
const QColor kAccent(52, 110, 180);
const QColor kAccentLight(96, 154, 214);
const QColor kEdge(168, 178, 192);

// The strip repeats across the row; 27 pixels high, as the strip is.
QImage Strip()
{
    QImage image = BlankImage(8, 27);
    QPainter p(&image);
    p.fillRect(image.rect(), kStrip);
    p.fillRect(QRect(0, 26, 8, 1), kAccent);
    return image;
}

// A tab face at the tab's own size (89 x 27), stretched only when a translation widens the tab.
QImage TabFace(bool selected)
{
    const int w = 89;
    const int h = 27;
    QImage image = BlankImage(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath face;
    face.moveTo(0.5, h);
    face.lineTo(0.5, 4.5);
    face.quadTo(0.5, 0.5, 4.5, 0.5);
    face.lineTo(w - 4.5, 0.5);
    face.quadTo(w - 0.5, 0.5, w - 0.5, 4.5);
    face.lineTo(w - 0.5, h);
    if (selected) {
        p.setPen(QPen(kAccent, 1));
        p.setBrush(Qt::white);
        p.drawPath(face);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(2, 1, w - 4, 3), kAccentLight);
    } else {
        p.setPen(QPen(kEdge, 1));
        p.setBrush(Vertical(0, h, QColor(244, 246, 249), QColor(214, 221, 230)));
        p.drawPath(face.translated(0, 2));
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(0, h - 1, w, 1), kAccent);
    }
    return image;
}

const CImageRegistrar images{
    {"images/Tab/tab_config_bg.png", Strip},
    {"images/Tab/Config_Tab_Sel.png", [] { return TabFace(true); }},
    {"images/Tab/Config_Tab_UnSel.png", [] { return TabFace(false); }},
};

} // namespace
