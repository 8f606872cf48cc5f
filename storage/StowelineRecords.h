#pragma once

// The records that cross into the storage library: the key of one record file, the disk roots and set-up
// values, the record page's search condition, and the list that carries paths both ways.

#include <cstdint>
#include <cstring>
#include <list>

// Disk-full callback: only the first argument is meaningful; 1 means the disks are full. It returns 1.
using STOWELINE_DISKFULL_CALLBACK = int (*)(int full, int reserved1, int reserved2, int reserved3);

// Codes that GetLastError reports. 0 and 1 are kept free: the storage set-up gives them their own meaning.
enum STOWELINE_ERROR : int
{
    STOWELINE_OK = 0,
    STOWELINE_ERR_NOT_INIT = 10,     // the object has not been set up
    STOWELINE_ERR_PARAM = 11,        // a bad parameter, key or record name
    STOWELINE_ERR_ROOT = 12,         // a disk letter has no directory or its directory cannot be written
    STOWELINE_ERR_DISK_FULL = 13,    // no room, and nothing could (or may) be overwritten
    STOWELINE_ERR_ALREADY_OPEN = 14, // that record is open already
    STOWELINE_ERR_NOT_OPEN = 15,     // that record is not open
    STOWELINE_ERR_IO = 16,           // the file system refused a create, write, flush or rename
    STOWELINE_ERR_TOO_MANY = 17,     // more records open than the set-up allows
    STOWELINE_ERR_FAILED = 18,       // the record lost data earlier; it will not be stored
    STOWELINE_ERR_DISK_GONE = 19, // the record's own disk went while it was written and its bytes are lost,
                                  // but other disks still take records: that record alone failed
    STOWELINE_ERR_NAME = 20,      // an entry of its own stands at the record's name (a folder, say): the name
                                  // alone is refused, not the disk, and that record alone failed
    STOWELINE_ERR_NO_FREE_ROOM = 21, // a record opened to take free room only found none: nothing was deleted
                                     // for it, and that record alone failed
    STOWELINE_ERR_RECORD = 22, // the disk takes files, but refused this record's own folder or file (a day
                               // kept read-only, say): that record alone failed
};

// OpenChannelRecord's second argument: 0, or this for a record whose size nothing vouches for (neither a
// listing nor the recorder's play-back length). Such a record is stored into free room only: no stored record
// is ever deleted to make room for it, and the disk-full callback is never called for it.
constexpr int STOWELINE_OPEN_FREE_ROOM_ONLY = 1;

// A date-time in compact form: the start and stop of a record file, and the record page's range.
struct STOWELINE_TIME
{
    uint16_t Year = 0;
    uint8_t Month = 0;
    uint8_t Day = 0;
    uint8_t Hour = 0;
    uint8_t Minute = 0;
    uint8_t Second = 0;
    uint8_t Reserved = 0;
};
static_assert(sizeof(STOWELINE_TIME) == 8);

// The key of one record file.
struct CHANNEL_RECORD_KEY
{
    STOWELINE_TIME StartTime;
    STOWELINE_TIME StopTime;
    uint32_t FileType = 1; // the program's file type code
    uint8_t Flag = 0;
};

// One path: a drive root ("D:") going in, a stored file's full path coming out. Local 8-bit text,
// zero-filled.
struct STOWELINE_PATH
{
    char Path[260] = {};
};

// The library's list of paths (a doubly linked list with its count). A search result belongs to the library.
class StowelineList
{
public:
    using Items = std::list<STOWELINE_PATH>;

    // Appends a copy of the text; false (and nothing appended) when it does not fit a path with its zero.
    bool Append(const char* text)
    {
        const size_t len = std::strlen(text);
        if (len >= sizeof(STOWELINE_PATH::Path))
            return false;
        STOWELINE_PATH path;
        std::memcpy(path.Path, text, len);
        m_items.push_back(path);
        return true;
    }
    void Clear() { m_items.clear(); }
    uint32_t Count() const { return static_cast<uint32_t>(m_items.size()); }
    Items::const_iterator begin() const { return m_items.begin(); }
    Items::const_iterator end() const { return m_items.end(); }

private:
    Items m_items;
};

// The set-up of the storage object, in the order of its fields.
struct STOWELINE_INIT_PARAM
{
    uint32_t MaxOpenRecords = 0; // records open at once (64: two workers for each of 32 plans)
    uint32_t Reserved1 = 0;
    uint8_t Reserved2 = 0;
    uint8_t Enable = 0;
    STOWELINE_DISKFULL_CALLBACK DiskFullCallBack = nullptr; // none when full disks are overwritten
    StowelineList DiskPaths;                                // "D:" per drive letter
    uint32_t Reserved3 = 0;
    uint32_t ReserveMB = 256; // space kept free on every disk
    uint8_t Overwrite = 1;    // 1: delete the oldest closed records when a disk is full; 0: stop
    // "E:" (or a directory) per disk that may hold records of an earlier choice of disks: searched with the
    // same checks as the disks above, but never written, set up or deleted from. Those that stand for one of
    // the disks above are passed over.
    StowelineList SearchOnlyPaths;
    // The mark kept for each disk of DiskPaths, in the same order, as hexadecimal text; empty (or missing)
    // when none is kept: the folder found is taken, and gets a mark when it has none. A disk whose Records
    // does not hold its kept mark is not that disk: never written or searched, waited for.
    StowelineList DiskMarks;
    // The same for SearchOnlyPaths: a search-only disk with a kept mark is one the station wrote to.
    StowelineList SearchOnlyMarks;
};

// The record page's search condition: a fixed 148-byte layout.
struct RECORD_SEARCH_COND
{
    STOWELINE_TIME StartTime;
    STOWELINE_TIME EndTime;
    int32_t FileType = 0; // 0 matches every type
    char RecordName[128] = {};
};
static_assert(sizeof(RECORD_SEARCH_COND) == 148);
