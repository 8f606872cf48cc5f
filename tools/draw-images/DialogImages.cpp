// The dialog family's pictures: dialog frames, the title close button, buttons, check boxes, the path combo's
// button, progress bar, slider and tab pieces, and the loading animation. One flat theme: a steel-blue title
// strip, light bodies, thin grey-blue borders.

#include "DrawImages.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace {

const QColor kTitleTop(62, 114, 170);
const QColor kTitleBottom(40, 84, 136);
const QColor kBorder(36, 66, 104);
const QColor kBody(246, 248, 251);
const QColor kBar(229, 234, 240);
const QColor kBarLine(200, 208, 218);
const QColor kAccent(52, 110, 180);
const QColor kAccentLight(96, 154, 214);

// A dialog frame: title strip, body, optional bottom bar band, 1-pixel border.
QImage DialogFrame(int width, int height, int barHeight)
{
    QImage image = BlankImage(width, height);
    QPainter p(&image);
    p.fillRect(0, 0, width, height, kBody);
    p.fillRect(QRect(0, 0, width, 33), Vertical(0, 33, kTitleTop, kTitleBottom));
    p.fillRect(QRect(0, 33, width, 1), kTitleBottom.darker(115));
    if (barHeight > 0) {
        p.fillRect(QRect(0, height - barHeight, width, barHeight), kBar);
        p.fillRect(QRect(0, height - barHeight, width, 1), kBarLine);
    }
    p.setPen(kBorder);
    p.drawRect(0, 0, width - 1, height - 1);
    return image;
}

QImage CloseGlyph(bool hover)
{
    QImage image = BlankImage(20, 20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(214, 72, 62));
        p.drawRoundedRect(QRectF(1, 1, 18, 18), 3, 3);
    }
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 6), QPointF(14, 14));
    p.drawLine(QPointF(14, 6), QPointF(6, 14));
    return image;
}

// A button face sliced at 4 pixels: rounded rectangle with a soft vertical gradient.
QImage ButtonFace(const QColor& top, const QColor& bottom, const QColor& border)
{
    QImage image = BlankImage(40, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(border);
    p.setBrush(Vertical(0, 24, top, bottom));
    p.drawRoundedRect(QRectF(0.5, 0.5, 39, 23), 3, 3);
    return image;
}

QImage CheckBoxPicture(int state)
{
    QImage image = BlankImage(13, 13);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, 12, 12);
    if (state == 2) {
        p.setPen(kAccent.darker(120));
        p.setBrush(kAccent);
        p.drawRoundedRect(box, 2, 2);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 6.5), QPointF(5.5, 9), QPointF(10, 3.5)}));
    } else {
        p.setPen(QColor(122, 134, 150));
        p.setBrush(Qt::white);
        p.drawRoundedRect(box, 2, 2);
        if (state == 1) {
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.drawRect(QRectF(3, 3, 7, 7));
        }
    }
    return image;
}

// The path combo's button: a small folder.
QImage FolderButton(bool enabled)
{
    QImage image = BlankImage(18, 18);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor back = enabled ? QColor(222, 168, 60) : QColor(178, 178, 178);
    const QColor front = enabled ? QColor(246, 204, 98) : QColor(206, 206, 206);
    const QColor line = enabled ? QColor(168, 118, 30) : QColor(140, 140, 140);
    QPainterPath tab;
    tab.moveTo(2, 5);
    tab.lineTo(2, 3.5);
    tab.lineTo(7, 3.5);
    tab.lineTo(8.5, 5);
    tab.lineTo(16, 5);
    tab.lineTo(16, 14.5);
    tab.lineTo(2, 14.5);
    tab.closeSubpath();
    p.setPen(QPen(line, 1));
    p.setBrush(back);
    p.drawPath(tab);
    p.setBrush(front);
    p.drawRoundedRect(QRectF(2, 7, 14, 7.5), 1, 1);
    return image;
}

// Progress pieces are 10 pixels high: a trough and a fill, each with rounded ends.
QImage ProgressPiece(int width, bool fill, int roundSide)
{
    QImage image = BlankImage(width, 10);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor border = fill ? kAccent.darker(125) : QColor(168, 178, 192);
    const QBrush brush = fill ? QBrush(Vertical(0, 10, kAccentLight, kAccent))
                              : QBrush(Vertical(0, 10, QColor(206, 212, 222), QColor(232, 236, 242)));
    // Draw wider than the piece so only the named side is rounded.
    QRectF shape(0.5, 0.5, width - 1, 9);
    if (roundSide < 0)
        shape.setRight(width + 6);
    else if (roundSide > 0)
        shape.setLeft(-6);
    else
        shape = QRectF(-6, 0.5, width + 12, 9);
    p.setPen(border);
    p.setBrush(brush);
    p.drawRoundedRect(shape, 4, 4);
    return image;
}

QImage SliderTrack(bool filled)
{
    QImage image = BlankImage(10, 4);
    QPainter p(&image);
    p.fillRect(image.rect(), filled ? kAccent : QColor(196, 203, 213));
    p.fillRect(QRect(0, 0, 10, 1), filled ? kAccentLight : QColor(178, 186, 198));
    return image;
}

QImage SliderHandle()
{
    QImage image = BlankImage(13, 10);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kAccent.darker(115));
    p.setBrush(Vertical(0, 10, Qt::white, QColor(220, 228, 238)));
    p.drawRoundedRect(QRectF(0.5, 0.5, 12, 9), 4.5, 4.5);
    return image;
}

// Tab textures tile across the whole tab, so they only vary from top to bottom.
QImage TabTexture(bool selected)
{
    // The tabs carry white text on the window's dark band, so both faces stay dark enough for it.
    QImage image = BlankImage(8, 40);
    QPainter p(&image);
    if (selected) {
        p.fillRect(image.rect(), Vertical(0, 40, QColor(62, 128, 206), QColor(38, 92, 164)));
        p.fillRect(QRect(0, 0, 8, 3), kAccentLight);
    } else {
        p.fillRect(image.rect(), Vertical(0, 40, QColor(70, 88, 116), QColor(50, 66, 92)));
        p.fillRect(QRect(0, 39, 8, 1), QColor(34, 46, 66));
    }
    return image;
}

QImage Arrow(bool down)
{
    QImage image = BlankImage(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(92, 104, 120));
    if (down)
        p.drawPolygon(QPolygonF({QPointF(4, 6), QPointF(12, 6), QPointF(8, 11)}));
    else
        p.drawPolygon(QPolygonF({QPointF(6, 4), QPointF(11, 8), QPointF(6, 12)}));
    return image;
}

QImage RoundSign(bool plus)
{
    QImage image = BlankImage(18, 18);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = plus ? QColor(70, 160, 80) : QColor(206, 70, 60);
    p.setPen(colour.darker(125));
    p.setBrush(Vertical(0, 18, colour.lighter(125), colour));
    p.drawEllipse(QRectF(1, 1, 16, 16));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 9), QPointF(12.5, 9));
    if (plus)
        p.drawLine(QPointF(9, 5.5), QPointF(9, 12.5));
    return image;
}

// The state page's big start and stop buttons (75 x 70): green to start, red to stop; the automatic ones
// carry a circular arrow around the symbol.
QImage CopyButton(bool automatic, bool start)
{
    QImage image = BlankImage(75, 70);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor base = start ? QColor(64, 156, 84) : QColor(200, 66, 58);
    p.setPen(base.darker(130));
    p.setBrush(Vertical(0, 70, base.lighter(125), base));
    p.drawRoundedRect(QRectF(1.5, 1.5, 72, 67), 8, 8);
    const QPointF centre(37.5, 35);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (start)
        p.drawPolygon(
            QPolygonF({centre + QPointF(-7, -11), centre + QPointF(11, 0), centre + QPointF(-7, 11)}));
    else
        p.drawRoundedRect(QRectF(centre.x() - 9, centre.y() - 9, 18, 18), 2, 2);
    if (automatic) {
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF ring(centre.x() - 22, centre.y() - 22, 44, 44);
        p.drawArc(ring, 100 * 16, 300 * 16);
        // Arrow head at the arc's end (100 degrees).
        const double angle = 100.0 * std::numbers::pi / 180.0;
        const QPointF tip(centre.x() + 22 * std::cos(angle), centre.y() - 22 * std::sin(angle));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({tip + QPointF(-6, -5), tip + QPointF(6, 0), tip + QPointF(-6, 5)}));
    } else {
        p.setPen(QPen(QColor(255, 255, 255, 200), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(centre.x() - 21, centre.y() - 21, 42, 42), 6, 6);
    }
    return image;
}

// --- The loading animation: a ring of twelve dots whose dark head goes round, as an animated GIF.
// -----------

constexpr int kSpinnerSize = 48;
constexpr int kSpinnerFrames = 12;
// Dots are shades on the line from the body colour to the accent, so every anti-aliased pixel is too, and one
// 255-step palette along that line holds the picture exactly; index 0 is transparent.
const QColor kSpinBack = kBody;
const QColor kSpinDark = kAccent;

QImage SpinnerFrame(int frame)
{
    QImage image(kSpinnerSize, kSpinnerSize, QImage::Format_RGB32);
    image.fill(kSpinBack);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre(kSpinnerSize / 2.0, kSpinnerSize / 2.0);
    for (int i = 0; i < kSpinnerFrames; ++i) {
        const int age = (frame - i + kSpinnerFrames) % kSpinnerFrames; // 0: the head
        const double strength = std::max(0.15, 1.0 - age / 8.0);
        const QColor colour =
            QColor::fromRgbF(kSpinBack.redF() + strength * (kSpinDark.redF() - kSpinBack.redF()),
                             kSpinBack.greenF() + strength * (kSpinDark.greenF() - kSpinBack.greenF()),
                             kSpinBack.blueF() + strength * (kSpinDark.blueF() - kSpinBack.blueF()));
        const double angle = 2.0 * std::numbers::pi * i / kSpinnerFrames - std::numbers::pi / 2.0;
        const QPointF at = centre + QPointF(17.0 * std::cos(angle), 17.0 * std::sin(angle));
        const double radius = 2.6 + 1.4 * strength;
        p.setBrush(colour);
        p.drawEllipse(at, radius, radius);
    }
    return image;
}

// Level 0 to 254 of a pixel along the body-to-accent line.
int SpinLevel(QRgb pixel)
{
    const double dr = kSpinDark.red() - kSpinBack.red();
    const double dg = kSpinDark.green() - kSpinBack.green();
    const double db = kSpinDark.blue() - kSpinBack.blue();
    const double t = ((qRed(pixel) - kSpinBack.red()) * dr + (qGreen(pixel) - kSpinBack.green()) * dg +
                      (qBlue(pixel) - kSpinBack.blue()) * db) /
                     (dr * dr + dg * dg + db * db);
    return std::clamp(int(std::lround(t * 254.0)), 0, 254);
}

// GIF's variable-length LZW, codes packed from the least significant bit.
class CLzwWriter
{
public:
    explicit CLzwWriter(int minCodeSize) : m_minCodeSize(minCodeSize) {}

    QByteArray Encode(const QByteArray& indices)
    {
        const int clear = 1 << m_minCodeSize;
        const int end = clear + 1;
        Reset();
        Put(clear);
        int prefix = -1;
        for (const char c : indices) {
            const int byte = static_cast<unsigned char>(c);
            if (prefix < 0) {
                prefix = byte;
                continue;
            }
            const int key = (prefix << 8) | byte;
            const auto found = m_table.find(key);
            if (found != m_table.end()) {
                prefix = found->second;
                continue;
            }
            Put(prefix);
            if (m_next < 4096) {
                m_table.emplace(key, m_next++);
                if (m_next > (1 << m_codeSize) && m_codeSize < 12)
                    ++m_codeSize;
            } else {
                Put(clear);
                Reset();
            }
            prefix = byte;
        }
        if (prefix >= 0)
            Put(prefix);
        Put(end);
        if (m_bitCount > 0)
            m_out.append(char(m_bits & 0xff));
        return m_out;
    }

private:
    void Reset()
    {
        m_table.clear();
        m_codeSize = m_minCodeSize + 1;
        m_next = (1 << m_minCodeSize) + 2;
    }

    void Put(int code)
    {
        m_bits |= quint32(code) << m_bitCount;
        m_bitCount += m_codeSize;
        while (m_bitCount >= 8) {
            m_out.append(char(m_bits & 0xff));
            m_bits >>= 8;
            m_bitCount -= 8;
        }
    }

    int m_minCodeSize;
    int m_codeSize = 0;
    int m_next = 0;
    std::unordered_map<int, int> m_table;
    quint32 m_bits = 0;
    int m_bitCount = 0;
    QByteArray m_out;
};

void PutWord(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

QByteArray LoadingGif()
{
    QByteArray gif("GIF89a");
    PutWord(gif, kSpinnerSize);
    PutWord(gif, kSpinnerSize);
    gif.append(char(0xf7)); // global colour table of 256 entries, 8 bits per primary
    gif.append(char(0));    // background colour index
    gif.append(char(0));    // no aspect ratio
    for (int i = 0; i < 256; ++i) {
        const double t = i == 0 ? 0.0 : std::min(254, i - 1) / 254.0;
        gif.append(char(std::lround(kSpinBack.red() + t * (kSpinDark.red() - kSpinBack.red()))));
        gif.append(char(std::lround(kSpinBack.green() + t * (kSpinDark.green() - kSpinBack.green()))));
        gif.append(char(std::lround(kSpinBack.blue() + t * (kSpinDark.blue() - kSpinBack.blue()))));
    }
    // Loop for ever.
    gif.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
    PutWord(gif, 0);
    gif.append(char(0));

    for (int frame = 0; frame < kSpinnerFrames; ++frame) {
        // Graphic control: restore to background after the frame, transparent index 0, 80 ms.
        gif.append("\x21\xf9\x04\x09", 4);
        PutWord(gif, 8);
        gif.append(char(0));
        gif.append(char(0));
        gif.append(char(0x2c));
        PutWord(gif, 0);
        PutWord(gif, 0);
        PutWord(gif, kSpinnerSize);
        PutWord(gif, kSpinnerSize);
        gif.append(char(0));

        const QImage image = SpinnerFrame(frame);
        QByteArray indices;
        indices.reserve(kSpinnerSize * kSpinnerSize);
        for (int y = 0; y < kSpinnerSize; ++y)
            for (int x = 0; x < kSpinnerSize; ++x) {
                const int level = SpinLevel(image.pixel(x, y));
                indices.append(char(level == 0 ? 0 : level + 1));
            }
        gif.append(char(8));
        const QByteArray data = CLzwWriter(8).Encode(indices);
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const qsizetype length = std::min<qsizetype>(255, data.size() - at);
            gif.append(char(length));
            gif.append(data.mid(at, length));
        }
        gif.append(char(0));
    }
    gif.append(char(0x3b));
    return gif;
}

const CImageRegistrar registrar{
    {"images/Dialog/dialog_bg.png", [] { return DialogFrame(120, 120, 48); }},
    // Large enough for the main window, which slices it at 58 pixels on every side.
    {"images/Dialog/dialog_bg2.png", [] { return DialogFrame(120, 120, 0); }},
    {"images/title/close.png", [] { return CloseGlyph(false); }},
    {"images/title/close_hover.png", [] { return CloseGlyph(true); }},
    {"images/button/button.png",
     [] { return ButtonFace(QColor(255, 255, 255), QColor(228, 232, 238), QColor(160, 170, 184)); }},
    {"images/button/button_hover.png",
     [] { return ButtonFace(QColor(255, 253, 242), QColor(252, 240, 204), QColor(212, 166, 76)); }},
    {"images/button/down-arrow.png", [] { return Arrow(true); }},
    {"images/button/config_right-arrow.png", [] { return Arrow(false); }},
    {"images/button/add.png", [] { return RoundSign(true); }},
    {"images/button/delete.png", [] { return RoundSign(false); }},
    {"images/button/auto_copy_start.png", [] { return CopyButton(true, true); }},
    {"images/button/auto_copy_stop.png", [] { return CopyButton(true, false); }},
    {"images/button/manual_copy_start.png", [] { return CopyButton(false, true); }},
    {"images/button/manual_copy_stop.png", [] { return CopyButton(false, false); }},
    {"images/public/CheckBox/checkbox.png", [] { return CheckBoxPicture(2); }},
    {"images/public/CheckBox/uncheckbox.png", [] { return CheckBoxPicture(0); }},
    {"images/public/CheckBox/PartiallyCheckBox.png", [] { return CheckBoxPicture(1); }},
    {"images/public/ComboBox/comboBoxPathBtn_normal.png", [] { return FolderButton(true); }},
    {"images/public/ComboBox/comboBoxPathBtn_dis.png", [] { return FolderButton(false); }},
    {"images/public/ProgressBar/ProgressBarLeft.png", [] { return ProgressPiece(5, false, -1); }},
    {"images/public/ProgressBar/ProgressBar.png", [] { return ProgressPiece(10, false, 0); }},
    {"images/public/ProgressBar/ProgressBarRight.png", [] { return ProgressPiece(5, false, 1); }},
    {"images/public/ProgressBar/ProgressBarLeftChunk.png", [] { return ProgressPiece(5, true, -1); }},
    {"images/public/ProgressBar/ProgressBarChunk.png", [] { return ProgressPiece(10, true, 0); }},
    {"images/public/ProgressBar/ProgressBarRightChunk.png", [] { return ProgressPiece(5, true, 1); }},
    {"images/public/Slider/RightSlider.png", [] { return SliderTrack(false); }},
    {"images/public/Slider/LeftSlider.png", [] { return SliderTrack(true); }},
    {"images/public/Slider/RadiobtnOff.png", [] { return SliderHandle(); }},
    {"images/Tab/TabSelect.png", [] { return TabTexture(true); }},
    {"images/Tab/TabUnselect.png", [] { return TabTexture(false); }},
};

const CFileRegistrar files{{"images/Loading.gif", [] { return LoadingGif(); }}};

} // namespace
