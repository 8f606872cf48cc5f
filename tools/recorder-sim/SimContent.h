#pragma once

// The simulated recorders' content. Every byte is a function of (seed, channel, recording, offset), so a test
// can compute what any play-back must deliver and verify a stored copy byte for byte without keeping it.

#include "sdk/DeviceSdk.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// One recording of a channel. Start and Stop are wall-clock times: their date and time fields count, their
// time zone does not. Size is the recording's stream length in bytes.
struct SimRecording
{
    QDateTime Start;
    QDateTime Stop;
    uint8_t FileType = 0; // the SDK's file type (0 schedule, 1 motion, 2 alarm, 6 manual, ...)
    qint64 Size = 0;
    // The stop a search reports, when not the real one (a recorder whose clock stepped back, or a lie).
    QDateTime ListedStop = QDateTime();
};

// The header block (data type 1) that opens every play-back: "VRWH", version 1, channel, start and stop
// (six u16 each), stream length (u64), little-endian.
constexpr int kSimHeaderBlockSize = 44;

qint64 SimSeconds(const QDateTime& time);
qint64 SimSeconds(const NET_DVR_TIME& time);
NET_DVR_TIME SimTime(const QDateTime& time);

// The stream bytes of one recording; cheap to compute at any offset.
class CSimContent
{
public:
    CSimContent(uint64_t seed, int channel, int recording);
    void Fill(int64_t offset, uint8_t* out, size_t length) const;

private:
    std::array<uint64_t, 4096> m_table{};
};

// What a play-back by time of [start, stop) on a channel delivers: the header block, then for every recording
// that overlaps the range, in start order, the part of its stream that falls in the range. A recording's
// bytes are spread evenly over its time: second t of a recording of d seconds and s bytes begins at t * s /
// d.
class CSimPlaybackContent
{
public:
    CSimPlaybackContent(uint64_t seed, int channel, const QList<SimRecording>& recordings,
                        const NET_DVR_TIME& start, const NET_DVR_TIME& stop);

    // No recording overlaps the range.
    bool IsEmpty() const { return m_segments.empty(); }
    // Header block plus stream bytes: what code 27 reports and the callback receives.
    int64_t Length() const { return m_length; }
    void Fill(int64_t offset, uint8_t* out, size_t length) const;
    QByteArray Bytes(int64_t offset, int64_t length) const;

private:
    struct Segment
    {
        int Recording = 0;
        int64_t From = 0; // offset in the recording
        int64_t To = 0;
        int64_t Begin = 0; // offset in the play-back
        std::shared_ptr<CSimContent> Content;
    };

    std::array<uint8_t, kSimHeaderBlockSize> m_header{};
    std::vector<Segment> m_segments;
    int64_t m_length = kSimHeaderBlockSize;
};

// A JPEG snapshot whose dimensions follow the picture size code, showing the recorder's name and the channel
// number, so an operator (and a picture of the windows) tells the channels apart.
QByteArray SimJpeg(int sizeCode, const QString& recorder, int channel);
