// The shell's pictures: the main window's title bar (icon, band, minimise, full screen and restore) and its
// tab row (band and page icons). Flat white glyphs with one light-blue accent on the dark blue bands.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor kGlyph(255, 255, 255);
const QColor kAccent(120, 196, 255);
const QColor kBandTop(52, 72, 104);
const QColor kBandBottom(30, 43, 66);

QImage Band(int width, int height, const QColor& top, const QColor& bottom)
{
    QImage image = BlankImage(width, height);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Vertical(0, height, top, bottom));
    // A fine light line along the top edge gives the band its edge on the dark window frame.
    painter.setPen(top.lighter(130));
    painter.drawLine(0, 0, width - 1, 0);
    return image;
}

QPen GlyphPen(const QColor& colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A 20 x 20 title button: the glyph on a transparent ground, or on a soft light square when hovered.
QImage TitleButton(bool hover, const std::function<void(QPainter&)>& glyph)
{
    QImage image = BlankImage(20, 20);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hover) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 60));
        painter.drawRoundedRect(QRectF(0.5, 0.5, 19, 19), 3, 3);
    }
    painter.setPen(GlyphPen(kGlyph, 1.6));
    painter.setBrush(Qt::NoBrush);
    glyph(painter);
    return image;
}

void MiniGlyph(QPainter& painter)
{
    painter.drawLine(QPointF(5.5, 13.5), QPointF(14.5, 13.5));
}

void FullGlyph(QPainter& painter)
{
    painter.drawRect(QRectF(5, 5, 10, 10));
    painter.drawLine(QPointF(5, 6.5), QPointF(15, 6.5));
}

void BackGlyph(QPainter& painter)
{
    painter.drawRect(QRectF(4.5, 7.5, 8, 8));
    painter.drawPolyline(QPolygonF({QPointF(7.5, 7.5), QPointF(7.5, 4.5), QPointF(15.5, 4.5),
                                    QPointF(15.5, 12.5), QPointF(12.5, 12.5)}));
}

QImage Icon32(const std::function<void(QPainter&)>& draw)
{
    QImage image = BlankImage(32, 32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

void Magnifier(QPainter& painter, QPointF centre, double radius)
{
    painter.setPen(GlyphPen(kAccent, 2.6));
    painter.setBrush(QColor(30, 43, 66, 200));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(GlyphPen(kAccent, 3.4));
    const double d = radius * 0.72;
    painter.drawLine(centre + QPointF(d, d), centre + QPointF(d + 6, d + 6));
}

QImage Eye()
{
    return Icon32([](QPainter& painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kAccent);
        painter.drawEllipse(QRectF(1, 1, 30, 30));
        QPainterPath almond;
        almond.moveTo(4, 16);
        almond.quadTo(16, 3, 28, 16);
        almond.quadTo(16, 29, 4, 16);
        painter.setBrush(kGlyph);
        painter.drawPath(almond);
        painter.setBrush(kBandBottom);
        painter.drawEllipse(QPointF(16, 16), 6, 6);
        painter.setBrush(kGlyph);
        painter.drawEllipse(QPointF(14, 14), 1.8, 1.8);
    });
}

QImage Monitoring()
{
    return Icon32([](QPainter& painter) {
        painter.setPen(GlyphPen(kGlyph, 2.2));
        painter.drawRoundedRect(QRectF(3, 5, 26, 18), 2, 2);
        painter.drawLine(QPointF(11, 28), QPointF(21, 28));
        painter.drawLine(QPointF(16, 23), QPointF(16, 28));
        painter.setPen(GlyphPen(kAccent, 2.2));
        painter.drawPolyline(QPolygonF({QPointF(6, 15), QPointF(11, 15), QPointF(13.5, 9), QPointF(17, 20),
                                        QPointF(19.5, 13), QPointF(26, 13)}));
    });
}

QImage VideoSearch()
{
    return Icon32([](QPainter& painter) {
        painter.setPen(GlyphPen(kGlyph, 2.2));
        painter.drawRoundedRect(QRectF(2.5, 6, 18, 13), 2, 2);
        painter.drawPolygon(
            QPolygonF({QPointF(20.5, 10), QPointF(27, 6.5), QPointF(27, 18.5), QPointF(20.5, 15)}));
        Magnifier(painter, QPointF(17, 21), 5);
    });
}

QImage LogSearch()
{
    return Icon32([](QPainter& painter) {
        painter.setPen(GlyphPen(kGlyph, 2.2));
        painter.drawPolygon(
            QPolygonF({QPointF(5, 3), QPointF(19, 3), QPointF(24, 8), QPointF(24, 28), QPointF(5, 28)}));
        painter.drawLine(QPointF(9, 10), QPointF(18, 10));
        painter.drawLine(QPointF(9, 15), QPointF(15, 15));
        Magnifier(painter, QPointF(19, 20), 5);
    });
}

QImage Config()
{
    return Icon32([](QPainter& painter) {
        const QPointF centre(16, 16);
        QPainterPath gear;
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            const double angle = (i * 180.0 / teeth - 90.0 / teeth * 0.5) * M_PI / 180.0;
            const double next = ((i + 1) * 180.0 / teeth - 90.0 / teeth * 0.5) * M_PI / 180.0;
            const double r = (i % 2 == 0) ? 13.0 : 10.0;
            const QPointF a = centre + QPointF(r * std::cos(angle), r * std::sin(angle));
            const QPointF b = centre + QPointF(r * std::cos(next), r * std::sin(next));
            if (i == 0)
                gear.moveTo(a);
            else
                gear.lineTo(a);
            gear.lineTo(b);
        }
        gear.closeSubpath();
        painter.setPen(GlyphPen(kGlyph, 1.8));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(gear);
        painter.setPen(GlyphPen(kAccent, 2.4));
        painter.drawEllipse(centre, 4, 4);
    });
}

QImage Information()
{
    return Icon32([](QPainter& painter) {
        painter.setPen(GlyphPen(kGlyph, 2.2));
        painter.drawEllipse(QPointF(16, 16), 12.5, 12.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kAccent);
        painter.drawEllipse(QPointF(16, 9.5), 2, 2);
        painter.drawRoundedRect(QRectF(14.2, 13, 3.6, 11), 1.2, 1.2);
    });
}

QImage Download()
{
    QImage image = BlankImage(16, 16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(GlyphPen(kAccent, 1.8));
    painter.drawLine(QPointF(8, 2), QPointF(8, 10));
    painter.drawPolyline(QPolygonF({QPointF(4.5, 7), QPointF(8, 10.5), QPointF(11.5, 7)}));
    painter.setPen(GlyphPen(kGlyph, 1.6));
    painter.drawPolyline(QPolygonF({QPointF(2, 11), QPointF(2, 14), QPointF(14, 14), QPointF(14, 11)}));
    return image;
}

// The loading backgrounds of the four language entries (kept with each language; no screen shows them now).
QImage LoadingBackground(const QString& loading, const QColor& accent)
{
    QImage image = Band(360, 200, kBandTop, kBandBottom);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(QPoint(164, 40), Eye());
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(26);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(kGlyph);
    painter.drawText(QRect(0, 80, 360, 40), Qt::AlignCenter, QStringLiteral("Varrow"));
    QFont text(QStringLiteral("WenQuanYi Micro Hei"));
    text.setPixelSize(14);
    painter.setFont(text);
    painter.setPen(accent);
    painter.drawText(QRect(0, 126, 360, 30), Qt::AlignCenter, loading);
    painter.fillRect(QRect(130, 166, 100, 3), accent);
    return image;
}

CImageRegistrar reg{
    {"images/title/Eye.png", Eye},
    {"images/title/title_bg.png", [] { return Band(8, 34, kBandTop, kBandBottom); }},
    {"images/title/mini.png", [] { return TitleButton(false, MiniGlyph); }},
    {"images/title/mini_hover.png", [] { return TitleButton(true, MiniGlyph); }},
    {"images/title/full-screen.png", [] { return TitleButton(false, FullGlyph); }},
    {"images/title/full-screen_hover.png", [] { return TitleButton(true, FullGlyph); }},
    {"images/title/back.png", [] { return TitleButton(false, BackGlyph); }},
    {"images/title/back_hover.png", [] { return TitleButton(true, BackGlyph); }},
    // Flat: the row's style sheet paints it again under every frame and label inside the row, each from its
    // own top, so any gradient or edge line would show as seams.
    {"images/Tab/tab_bg.png",
     [] {
         QImage image = BlankImage(8, 8);
         image.fill(kBandBottom);
         return image;
     }},
    {"images/Tab/monitoring.png", Monitoring},
    {"images/Tab/videoSearch.png", VideoSearch},
    {"images/Tab/LogSearch.png", LogSearch},
    {"images/Tab/config.png", Config},
    {"images/Tab/Information.png", Information},
    {"images/Tab/download.png", Download},
    {"images/Loading_bg_English.png",
     [] { return LoadingBackground(QStringLiteral("Loading..."), kAccent); }},
    {"images/Loading_bg_Chinese.png",
     [] { return LoadingBackground(QStringLiteral("\u6b63\u5728\u52a0\u8f7d..."), kAccent); }},
    {"images/Loading_bg_English_Olvex.png",
     [] { return LoadingBackground(QStringLiteral("Loading..."), QColor(255, 196, 110)); }},
    {"images/Loading_bg_Chinese_Olvex.png",
     [] { return LoadingBackground(QStringLiteral("\u6b63\u5728\u52a0\u8f7d..."), QColor(255, 196, 110)); }},
};

} // namespace
