#include "pages/record/RecordSearch.h"

#include "model/TextConvert.h"
#include "platform/VolumeCall.h"
#include "storage/CreateStorage.h"

#include <QFileInfo>
#include <QObject>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

namespace {

void AddOnce(std::vector<STOWELINE_ROOT_ERROR>& to, const std::vector<STOWELINE_ROOT_ERROR>& disks)
{
    for (const STOWELINE_ROOT_ERROR& disk : disks) {
        const bool known = std::any_of(to.begin(), to.end(), [&](const auto& seen) {
            return seen.Drive == disk.Drive && seen.Path == disk.Path;
        });
        if (!known)
            to.push_back(disk);
    }
}

} // namespace

void SEARCH_GAPS::Note(const std::vector<STOWELINE_ROOT_ERROR>& unsearched, bool cut,
                       const std::vector<STOWELINE_ROOT_ERROR>& otherDisks)
{
    Cut = Cut || cut;
    AddOnce(Unsearched, unsearched);
    AddOnce(OtherDisks, otherDisks);
}

void SEARCH_GAPS::Describe(const std::function<bool()>& stop)
{
    UnsearchedText.clear();
    for (const STOWELINE_ROOT_ERROR& disk : Unsearched) {
        if (disk.NoAnswer || (disk.SystemError != EPERM && disk.SystemError != EACCES)) {
            UnsearchedText << DescribeRootError(disk);
            continue;
        }
        QString text;
        std::function<QString()> describe = [disk] { return DescribeRootError(disk); };
        const VolumeCall::OUTCOME outcome =
            VolumeCall::Run(disk.Path, describe, VolumeCall::kDefaultBoundMs, &text, stop);
        if (outcome == VolumeCall::OUTCOME_NO_ANSWER) {
            STOWELINE_ROOT_ERROR silent = disk;
            silent.NoAnswer = true;
            text = DescribeRootError(silent);
        } else if (outcome == VolumeCall::OUTCOME_STOPPED) {
            QString drive = disk.Drive;
            drive.remove(QLatin1Char(':'));
            text = QObject::tr("Disk %1: the folder %2 cannot be written: %3.")
                       .arg(drive, disk.Path, QString::fromLocal8Bit(std::strerror(disk.SystemError)));
        }
        UnsearchedText << text;
    }
}

SEARCH_RANGE CheckSearchRange(const QDateTime& from, const QDateTime& to)
{
    const qint64 seconds = from.secsTo(to);
    if (seconds < 0)
        return SEARCH_RANGE::EndBeforeStart;
    if (seconds > kMaxSearchSeconds)
        return SEARCH_RANGE::TooLong;
    return SEARCH_RANGE::Ok;
}

STOWELINE_TIME CompactTime(const QDateTime& time)
{
    STOWELINE_TIME compact;
    const QDate date = time.date();
    const QTime clock = time.time();
    compact.Year = uint16_t(date.year());
    compact.Month = uint8_t(date.month());
    compact.Day = uint8_t(date.day());
    compact.Hour = uint8_t(clock.hour());
    compact.Minute = uint8_t(clock.minute());
    compact.Second = uint8_t(clock.second());
    return compact;
}

QList<int> SearchTypesOf(int type)
{
    if (type == 2 || type == 3)
        return {type, 4, 5};
    return {type};
}

QString FormatRecordTime(const QString& field)
{
    QString text = field;
    text.insert(4, QLatin1Char('-'));
    text.insert(7, QLatin1Char('-'));
    text.insert(10, QLatin1Char(' '));
    text.insert(13, QLatin1Char(':'));
    text.insert(16, QLatin1Char(':'));
    return text;
}

bool RecordTimesOf(const QString& path, QString* start, QString* end)
{
    const QString name = path.section(QLatin1Char('/'), -1);
    const QStringList fields = name.split(QLatin1Char('_'));
    if (fields.size() < 2)
        return false;
    *start = FormatRecordTime(fields.at(0));
    *end = FormatRecordTime(fields.at(1));
    return true;
}

QString RecordSizeText(qint64 bytes)
{
    const qint64 mib = bytes / (1024 * 1024);
    return QString::number(mib < 1 ? 1 : mib);
}

namespace {

// The sizes of `paths`, -1 for a file that is not there; read on a thread of their disk's, within the bound.
// The key is the disk's Records folder, three levels above a record (name, day, file), the key under which
// the storage lists that disk: a disk that stopped answering there answers here at once.
VolumeCall::OUTCOME ReadSizes(const QString& key, const QStringList& paths, const std::function<bool()>& stop,
                              std::vector<qint64>* sizes)
{
    return VolumeCall::Run<std::vector<qint64>>(
        key,
        [paths] {
            std::vector<qint64> read;
            read.reserve(size_t(paths.size()));
            for (const QString& path : paths) {
                const QFileInfo info(path);
                read.push_back(info.exists() ? info.size() : -1);
            }
            return read;
        },
        VolumeCall::kDefaultBoundMs, sizes, stop);
}

} // namespace

RECORD_SEARCH_OUTCOME RunRecordSearch(CStowelineClass& storage, const std::vector<SEARCH_CHANNEL>& channels,
                                      const STOWELINE_TIME& from, const STOWELINE_TIME& to,
                                      const QList<int>& types, const std::function<bool()>& stop)
{
    RECORD_SEARCH_OUTCOME outcome;
    RECORD_SEARCH_COND condition;
    condition.StartTime = from;
    condition.EndTime = to;
    const auto stopped = [&] {
        outcome.Stopped = outcome.Stopped || (stop && stop());
        return outcome.Stopped;
    };
    for (const SEARCH_CHANNEL& channel : channels) {
        if (channel.RecordName.size() >= int(sizeof(condition.RecordName)))
            continue;
        std::memset(condition.RecordName, 0, sizeof(condition.RecordName));
        std::memcpy(condition.RecordName, channel.RecordName.constData(), size_t(channel.RecordName.size()));
        for (const int type : types) {
            if (stopped())
                return outcome;
            condition.FileType = type;
            StowelineList* answer = nullptr;
            const int any = storage.SearchChannelRecord(&condition, &answer, stop);
            outcome.Gaps.Note(storage.GetLastSearchRootErrors(), storage.LastSearchCut(),
                              storage.GetLastSearchOtherDisks());
            // A search stopped while a disk was waited for holds only part of the answer.
            if (stopped())
                return outcome;
            if (any == 0 || answer == nullptr)
                continue;
            // The answer's files by disk, each disk's read at once.
            QStringList paths;
            std::map<QString, QStringList> byDisk;
            for (const STOWELINE_PATH& entry : *answer) {
                const QString path = LocalToQString(entry.Path);
                paths << path;
                byDisk[path.section(QLatin1Char('/'), 0, -4)] << path;
            }
            std::map<QString, qint64> sizes;
            for (const auto& [disk, onDisk] : byDisk) {
                std::vector<qint64> read;
                const VolumeCall::OUTCOME asked = ReadSizes(disk, onDisk, stop, &read);
                if (asked == VolumeCall::OUTCOME_STOPPED) {
                    outcome.Stopped = true;
                    return outcome;
                }
                if (asked == VolumeCall::OUTCOME_NO_ANSWER) {
                    STOWELINE_ROOT_ERROR silent;
                    silent.Path = disk.section(QLatin1Char('/'), 0, -2);
                    silent.NoAnswer = true;
                    outcome.Gaps.Note({silent}, false);
                    continue;
                }
                for (qsizetype i = 0; i < onDisk.size(); ++i)
                    sizes[onDisk.at(i)] = read.at(size_t(i));
            }
            for (const QString& path : paths) {
                RECORD_ROW row;
                const auto size = sizes.find(path);
                // A file that went away since the listing (overwritten, deleted) is left out, as is one
                // whose disk stopped answering.
                if (size == sizes.end() || size->second < 0 || !RecordTimesOf(path, &row.Start, &row.End))
                    continue;
                if (int(outcome.Rows.size()) >= kMaxRecordRows) {
                    outcome.Gaps.Cut = true;
                    break;
                }
                row.Camera = channel.Camera;
                row.Path = path;
                row.Size = size->second;
                outcome.Rows.push_back(std::move(row));
            }
        }
    }
    return outcome;
}
