#include "tools/recorder-sim/SimContent.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

uint64_t SplitMix(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr uint64_t kStep = 0xD6E8FEB86659FD93ull;

void PutU16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void PutTime(uint8_t* p, const NET_DVR_TIME& t)
{
    const uint32_t fields[6] = {t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second};
    for (int i = 0; i < 6; ++i)
        PutU16(p + 2 * i, fields[i]);
}

} // namespace

qint64 SimSeconds(const QDateTime& time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC).toSecsSinceEpoch();
}

qint64 SimSeconds(const NET_DVR_TIME& t)
{
    const QDateTime time(QDate(int(t.Year), int(t.Month), int(t.Day)),
                         QTime(int(t.Hour), int(t.Minute), int(t.Second)), Qt::UTC);
    return time.isValid() ? time.toSecsSinceEpoch() : 0;
}

NET_DVR_TIME SimTime(const QDateTime& time)
{
    NET_DVR_TIME t;
    t.Year = uint32_t(time.date().year());
    t.Month = uint32_t(time.date().month());
    t.Day = uint32_t(time.date().day());
    t.Hour = uint32_t(time.time().hour());
    t.Minute = uint32_t(time.time().minute());
    t.Second = uint32_t(time.time().second());
    return t;
}

CSimContent::CSimContent(uint64_t seed, int channel, int recording)
{
    uint64_t state = seed;
    state ^= SplitMix(state) ^ (uint64_t(uint32_t(channel)) << 32) ^ uint32_t(recording);
    for (auto& word : m_table)
        word = SplitMix(state);
}

// Word w of a recording is table[w % 4096] + (w / 4096) * step: random access, and cheap enough that the
// simulator outruns loopback TCP.
void CSimContent::Fill(int64_t offset, uint8_t* out, size_t length) const
{
    constexpr uint64_t kMask = 4095;
    while (length > 0) {
        const uint64_t word = uint64_t(offset) >> 3;
        const size_t inWord = size_t(offset & 7);
        if (inWord == 0 && length >= 8) {
            // Whole words up to the end of this table round.
            const uint64_t add = (word >> 12) * kStep;
            size_t count = std::min<size_t>(length / 8, size_t(4096 - (word & kMask)));
            const uint64_t* table = m_table.data() + (word & kMask);
            for (size_t i = 0; i < count; ++i) {
                const uint64_t v = table[i] + add;
                std::memcpy(out + 8 * i, &v, 8); // little-endian host
            }
            out += 8 * count;
            length -= 8 * count;
            offset += int64_t(8 * count);
            continue;
        }
        const uint64_t v = m_table[word & kMask] + (word >> 12) * kStep;
        uint8_t bytes[8];
        std::memcpy(bytes, &v, 8);
        const size_t n = std::min<size_t>(8 - inWord, length);
        std::memcpy(out, bytes + inWord, n);
        out += n;
        length -= n;
        offset += int64_t(n);
    }
}

CSimPlaybackContent::CSimPlaybackContent(uint64_t seed, int channel, const QList<SimRecording>& recordings,
                                         const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    const qint64 a = SimSeconds(start);
    const qint64 b = SimSeconds(stop);
    std::vector<int> order(size_t(recordings.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return SimSeconds(recordings[x].Start) < SimSeconds(recordings[y].Start);
    });
    int64_t stream = 0;
    for (int index : order) {
        const SimRecording& r = recordings[index];
        const qint64 s = SimSeconds(r.Start);
        const qint64 e = SimSeconds(r.Stop);
        const qint64 from = std::max(a, s);
        const qint64 to = std::min(b, e);
        if (e <= s || to <= from || r.Size <= 0)
            continue;
        Segment segment;
        segment.Recording = index;
        segment.From = int64_t((__int128(from - s) * r.Size) / (e - s));
        segment.To = int64_t((__int128(to - s) * r.Size) / (e - s));
        if (segment.To <= segment.From)
            continue;
        segment.Begin = kSimHeaderBlockSize + stream;
        segment.Content = std::make_shared<CSimContent>(seed, channel, index);
        stream += segment.To - segment.From;
        m_segments.push_back(std::move(segment));
    }
    m_length = kSimHeaderBlockSize + stream;

    std::memcpy(m_header.data(), "VRWH", 4);
    m_header[4] = 1;
    const uint32_t ch = uint32_t(channel);
    for (int i = 0; i < 4; ++i)
        m_header[8 + i] = uint8_t(ch >> (8 * i));
    PutTime(m_header.data() + 12, start);
    PutTime(m_header.data() + 24, stop);
    for (int i = 0; i < 8; ++i)
        m_header[36 + i] = uint8_t(uint64_t(stream) >> (8 * i));
}

void CSimPlaybackContent::Fill(int64_t offset, uint8_t* out, size_t length) const
{
    if (offset < kSimHeaderBlockSize && length > 0) {
        const size_t n = std::min<size_t>(length, size_t(kSimHeaderBlockSize - offset));
        std::memcpy(out, m_header.data() + offset, n);
        out += n;
        length -= n;
        offset += int64_t(n);
    }
    auto it = std::upper_bound(m_segments.begin(), m_segments.end(), offset,
                               [](int64_t value, const Segment& s) { return value < s.Begin; });
    if (it != m_segments.begin())
        --it;
    while (length > 0 && it != m_segments.end()) {
        const int64_t inSegment = offset - it->Begin;
        const int64_t left = (it->To - it->From) - inSegment;
        if (inSegment < 0 || left <= 0) {
            ++it;
            continue;
        }
        const size_t n = std::min<size_t>(length, size_t(left));
        it->Content->Fill(it->From + inSegment, out, n);
        out += n;
        length -= n;
        offset += int64_t(n);
    }
    if (length > 0)
        std::memset(out, 0, length); // past the end: never sent, but never garbage either
}

QByteArray CSimPlaybackContent::Bytes(int64_t offset, int64_t length) const
{
    QByteArray bytes(qsizetype(std::max<int64_t>(0, length)), Qt::Uninitialized);
    Fill(offset, reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()));
    return bytes;
}

namespace {

// A 5 x 7 dot font for the snapshot's caption: the simulator may run without a GUI, so no font database.
// Each glyph is seven rows, the highest of five bits the leftmost dot.
struct GLYPH
{
    char c;
    uint8_t rows[7];
};

constexpr GLYPH kGlyphs[] = {
    {'0', {14, 17, 19, 21, 25, 17, 14}}, {'1', {4, 12, 4, 4, 4, 4, 14}},
    {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},
    {'6', {6, 8, 16, 30, 17, 17, 14}},   {'7', {31, 1, 2, 4, 8, 8, 8}},
    {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}},
    {'C', {14, 17, 16, 16, 16, 17, 14}}, {'D', {28, 18, 17, 17, 17, 18, 28}},
    {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}},
    {'I', {14, 4, 4, 4, 4, 4, 14}},      {'J', {7, 2, 2, 2, 2, 18, 12}},
    {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}},
    {'O', {14, 17, 17, 17, 17, 17, 14}}, {'P', {30, 17, 17, 30, 16, 16, 16}},
    {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},
    {'U', {17, 17, 17, 17, 17, 17, 14}}, {'V', {17, 17, 17, 17, 17, 10, 4}},
    {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},
    {'-', {0, 0, 0, 31, 0, 0, 0}},       {'_', {0, 0, 0, 0, 0, 0, 31}},
    {'.', {0, 0, 0, 0, 0, 12, 12}},      {':', {0, 12, 12, 0, 12, 12, 0}},
    {'#', {10, 10, 31, 10, 31, 10, 10}}, {' ', {0, 0, 0, 0, 0, 0, 0}},
};

const GLYPH* GlyphOf(QChar c)
{
    const char wanted = char(c.toUpper().toLatin1());
    for (const GLYPH& glyph : kGlyphs)
        if (glyph.c == wanted)
            return &glyph;
    return nullptr; // anything else is drawn as a box
}

void FillRect(QImage& image, int x, int y, int w, int h, QRgb colour)
{
    for (int row = std::max(0, y); row < std::min(image.height(), y + h); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int col = std::max(0, x); col < std::min(image.width(), x + w); ++col)
            line[col] = colour;
    }
}

// Draws `text` centred on the line at `centreY`, as large as the width allows up to `maxScale`.
void DrawLine(QImage& image, const QString& text, int centreY, int maxScale, QRgb colour)
{
    const int columns = int(text.size()) * 6 - 1;
    if (columns <= 0)
        return;
    const int scale = std::clamp((image.width() * 9 / 10) / columns, 1, maxScale);
    int x = (image.width() - columns * scale) / 2;
    const int top = centreY - 7 * scale / 2;
    for (const QChar c : text) {
        const GLYPH* glyph = GlyphOf(c);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                const bool dot = glyph != nullptr ? (glyph->rows[row] >> (4 - col)) & 1
                                                  : (row == 0 || row == 6 || col == 0 || col == 4);
                if (dot)
                    FillRect(image, x + col * scale, top + row * scale, scale, scale, colour);
            }
        x += 6 * scale;
    }
}

} // namespace

QByteArray SimJpeg(int sizeCode, const QString& recorder, int channel)
{
    int width = 640;
    int height = 480;
    switch (sizeCode) {
    case 0:
        width = 352, height = 288;
        break;
    case 1:
        width = 176, height = 144;
        break;
    case 2:
        width = 704, height = 576;
        break;
    default:
        break;
    }
    // A dark face whose hue follows the channel, so neighbouring tiles differ at a glance as well.
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((channel * 47) % 360, 120, 110).rgb());
    const QRgb white = qRgb(255, 255, 255);
    DrawLine(image, recorder, height / 3, height / 16, white);
    DrawLine(image, QStringLiteral("CH %1").arg(channel), height * 2 / 3, height / 9, white);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return jpeg;
}
