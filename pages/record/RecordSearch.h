#pragma once

// The record page's search rules that need no window: the range check, the compact times of the condition,
// the file types searched for a chosen type, and the reading of a stored file's name and size.

#include "storage/CStowelineClass.h"
#include "storage/StowelineRecords.h"

#include <QDateTime>
#include <QList>
#include <QString>

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

    void Note(const std::vector<STOWELINE_ROOT_ERROR>& unsearched, bool cut,
              const std::vector<STOWELINE_ROOT_ERROR>& otherDisks = {});
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
