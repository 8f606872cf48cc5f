#pragma once

// The record page's search rules that need no window: the range check, the compact times of the condition,
// the file types searched for a chosen type, the reading of a stored file's name and size, and the search
// itself, which runs off the window's thread.

#include "storage/CStowelineClass.h"
#include "storage/StowelineRecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The longest range one search may cover: three days.
constexpr qint64 kMaxSearchSeconds = 3 * 24 * 3600;
// The most rows one search lists, over all its channels and types: each row holds a record's cells in memory
// and a file on a disk's folder is cheap to plant. A search that matched more says so.
constexpr int kMaxRecordRows = 5000;

// What a search over several channels and types could not give: the disks it could not search (each once),
// and whether matches were left out for the bound; and the disks not chosen now that gave records.
struct SEARCH_GAPS
{
    std::vector<STOWELINE_ROOT_ERROR> Unsearched;
    bool Cut = false;
    // The disks no longer chosen for records whose records were found (each once): the rows name their
    // folders, and the page says why they are there.
    std::vector<STOWELINE_ROOT_ERROR> OtherDisks;

    // What the page says of each of Unsearched, in its order: made by Describe, off the window's thread.
    QStringList UnsearchedText;

    void Note(const std::vector<STOWELINE_ROOT_ERROR>& unsearched, bool cut,
              const std::vector<STOWELINE_ROOT_ERROR>& otherDisks = {});
    // Words for each disk not searched. A refused folder is looked at again to say which check it failed,
    // and that look may wait on its volume: it is bounded, and `stop` ends it at once (the folder is then
    // named without that check).
    void Describe(const std::function<bool()>& stop);
};

enum class SEARCH_RANGE
{
    Ok,
    EndBeforeStart,
    TooLong,
};

// Exactly three days and an empty range are searched.
SEARCH_RANGE CheckSearchRange(const QDateTime& from, const QDateTime& to);

STOWELINE_TIME CompactTime(const QDateTime& time);

// The type codes searched for one chosen type: motion detection and alarm also search the two codes the
// engine gives the recorders' own event types (4 and 5); every other type is searched by its own code.
QList<int> SearchTypesOf(int type);

// "YYYYMMDDhhmmss..." as "YYYY-MM-DD hh:mm:ss..." (characters after the fourteenth stay at the end).
QString FormatRecordTime(const QString& field);

// The start and end texts of a stored file's path (the first two "_" fields of its name, formatted); false
// for a name with fewer than two fields, which is skipped.
bool RecordTimesOf(const QString& path, QString* start, QString* end);

// The "File Size" text: whole MiB rounded down, at least 1.
QString RecordSizeText(qint64 bytes);

// One ticked channel: the name its records are stored under, and the text its rows show.
struct SEARCH_CHANNEL
{
    QByteArray RecordName;
    QString Camera;
};

// One listed file, read on the search's thread.
struct RECORD_ROW
{
    QString Camera;
    QString Path;
    QString Start;
    QString End;
    qint64 Size = 0;
};

struct RECORD_SEARCH_OUTCOME
{
    std::vector<RECORD_ROW> Rows; // at most kMaxRecordRows; Gaps.Cut when more matched
    SEARCH_GAPS Gaps;
    bool Stopped = false; // ended by `stop` before every channel was searched
};

// Searches every channel for each of `types` over the range, and reads each file found (a file gone since
// the listing is left out). Every look at a disk is bounded: a disk that does not answer is named in the
// gaps and passed over, and `stop` (asked every few milliseconds while a disk is waited for) ends the search
// with what it found so far. Never on the window's thread: a disk may keep it waiting up to its bound.
RECORD_SEARCH_OUTCOME RunRecordSearch(CStowelineClass& storage, const std::vector<SEARCH_CHANNEL>& channels,
                                      const STOWELINE_TIME& from, const STOWELINE_TIME& to,
                                      const QList<int>& types, const std::function<bool()>& stop);
