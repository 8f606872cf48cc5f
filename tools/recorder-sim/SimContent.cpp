#include "tools/recorder-sim/SimContent.h"

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

QByteArray SimJpeg(int sizeCode)
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
    QByteArray j;
    auto put = [&j](std::initializer_list<int> bytes) {
        for (int b : bytes)
            j.append(char(b));
    };
    put({0xFF, 0xD8});
    put({0xFF, 0xDB, 0x00, 67, 0x00});
    j.append(64, char(1));
    put({0xFF, 0xC0, 0x00, 11, 8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 1, 1, 0x11, 0});
    // One code of one bit per table: DC difference 0, and end-of-block. Every block is flat mid-grey.
    for (int table : {0x00, 0x10}) {
        put({0xFF, 0xC4, 0x00, 20, table, 1});
        j.append(15, char(0));
        put({0x00});
    }
    put({0xFF, 0xDA, 0x00, 8, 1, 1, 0x00, 0, 63, 0});
    const int blocks = ((width + 7) / 8) * ((height + 7) / 8);
    const int bits = blocks * 2;
    j.append(bits / 8, char(0));
    if (bits % 8)
        j.append(char(0xFF >> (bits % 8))); // padded with one-bits, never 0xFF
    put({0xFF, 0xD9});
    return j;
}
