#pragma once

// The wire format that the device layer and the recorder simulator share (docs/PROTOCOL.md). Every number is
// little-endian. A frame is a 12-byte header (magic, type, status, payload length) and its payload.

#include "sdk/DeviceSdk.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace SdkWire {

constexpr uint16_t kMagic = 0x5652;
constexpr size_t kHeaderSize = 12;
// Larger payloads are a protocol error: a peer that is not a recorder cannot make the reader allocate freely.
constexpr uint32_t kMaxPayload = 4u * 1024 * 1024;
// Stream blocks of a play-back carry at most this many bytes.
constexpr uint32_t kStreamBlock = 256 * 1024;

enum MessageType : uint16_t
{
    Login = 1,
    Logout = 2,
    GetConfig = 3,
    FindOpen = 4,
    FindNext = 5,
    FindClose = 6,
    Capture = 7,
    PlayOpen = 16,
    PlayStart = 17,
    PlayPosition = 18,
    PlaySpeed = 19,
    PlayStop = 20,
    PlayData = 32, // recorder to client; status = data type (1 header, 2 stream)
};

struct FrameHeader
{
    uint16_t Type = 0;
    uint32_t Status = 0;
    uint32_t Length = 0;
};

inline void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline uint16_t GetU16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void EncodeHeader(uint8_t* out, uint16_t type, uint32_t status, uint32_t length)
{
    PutU16(out, kMagic);
    PutU16(out + 2, type);
    PutU32(out + 4, status);
    PutU32(out + 8, length);
}

// False when the bytes are not a frame header of this protocol.
inline bool DecodeHeader(const uint8_t* in, FrameHeader* header)
{
    if (GetU16(in) != kMagic)
        return false;
    header->Type = GetU16(in + 2);
    header->Status = GetU32(in + 4);
    header->Length = GetU32(in + 8);
    return header->Length <= kMaxPayload;
}

// Builds one frame: the header is patched in by Finish.
class CWriter
{
public:
    CWriter() : m_data(kHeaderSize, 0) {}

    CWriter& U8(uint8_t v)
    {
        m_data.push_back(v);
        return *this;
    }
    CWriter& U16(uint16_t v)
    {
        uint8_t b[2];
        PutU16(b, v);
        return Bytes(b, 2);
    }
    CWriter& U32(uint32_t v)
    {
        uint8_t b[4];
        PutU32(b, v);
        return Bytes(b, 4);
    }
    CWriter& I32(int32_t v) { return U32(uint32_t(v)); }
    CWriter& U64(uint64_t v) { return U32(uint32_t(v)).U32(uint32_t(v >> 32)); }
    CWriter& Time(const NET_DVR_TIME& t)
    {
        return U32(t.Year).U32(t.Month).U32(t.Day).U32(t.Hour).U32(t.Minute).U32(t.Second);
    }
    CWriter& Bytes(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        m_data.insert(m_data.end(), p, p + size);
        return *this;
    }
    // A text of at most 65535 bytes with its length in front.
    CWriter& Text(const std::string& text)
    {
        const size_t n = text.size() > 0xFFFF ? 0xFFFF : text.size();
        U16(uint16_t(n));
        return Bytes(text.data(), n);
    }

    std::vector<uint8_t> Finish(uint16_t type, uint32_t status = 0)
    {
        EncodeHeader(m_data.data(), type, status, uint32_t(m_data.size() - kHeaderSize));
        return std::move(m_data);
    }

private:
    std::vector<uint8_t> m_data;
};

// Reads a payload; any read past the end turns Ok() false and yields zeros.
class CReader
{
public:
    CReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_pos == m_size; }

    uint8_t U8()
    {
        uint8_t v = 0;
        Bytes(&v, 1);
        return v;
    }
    uint16_t U16()
    {
        uint8_t b[2] = {};
        Bytes(b, 2);
        return GetU16(b);
    }
    uint32_t U32()
    {
        uint8_t b[4] = {};
        Bytes(b, 4);
        return GetU32(b);
    }
    int32_t I32() { return int32_t(U32()); }
    uint64_t U64()
    {
        const uint64_t low = U32();
        return low | (uint64_t(U32()) << 32);
    }
    NET_DVR_TIME Time()
    {
        NET_DVR_TIME t;
        t.Year = U32();
        t.Month = U32();
        t.Day = U32();
        t.Hour = U32();
        t.Minute = U32();
        t.Second = U32();
        return t;
    }
    bool Bytes(void* out, size_t size)
    {
        if (!m_ok || m_size - m_pos < size) {
            m_ok = false;
            std::memset(out, 0, size);
            return false;
        }
        std::memcpy(out, m_data + m_pos, size);
        m_pos += size;
        return true;
    }
    std::string Text()
    {
        const uint16_t n = U16();
        if (!m_ok || m_size - m_pos < n) {
            m_ok = false;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return s;
    }
    const uint8_t* Rest(size_t* size) const
    {
        *size = m_size - m_pos;
        return m_data + m_pos;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace SdkWire
