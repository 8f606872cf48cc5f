#include "pages/record/RecordSearch.h"

#include <QStringList>

#include <algorithm>

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
