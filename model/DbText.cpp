#include "model/DbText.h"

#include <QDateTime>

#include <charconv>
#include <cstdio>

namespace {

bool ParseNumber(std::string_view text, int* value)
{
    if (text.empty() || text.size() > 6)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

bool ParseDateTimeText(std::string_view text, NET_DVR_TIME* out)
{
    if (out == nullptr || text.size() != 19)
        return false;
    if (text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ParseNumber(text.substr(0, 4), &year) || !ParseNumber(text.substr(5, 2), &month) ||
        !ParseNumber(text.substr(8, 2), &day) || !ParseNumber(text.substr(11, 2), &hour) ||
        !ParseNumber(text.substr(14, 2), &minute) || !ParseNumber(text.substr(17, 2), &second))
        return false;
    if (!QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return false;
    out->Year = uint32_t(year);
    out->Month = uint32_t(month);
    out->Day = uint32_t(day);
    out->Hour = uint32_t(hour);
    out->Minute = uint32_t(minute);
    out->Second = uint32_t(second);
    return true;
}

std::string FormatDateTimeText(const NET_DVR_TIME& time)
{
    char buffer[96];
    std::snprintf(buffer, sizeof(buffer), "%d-%02d-%02d %02d:%02d:%02d", int(time.Year), int(time.Month),
                  int(time.Day), int(time.Hour), int(time.Minute), int(time.Second));
    return buffer;
}

NET_DVR_TIME SecsToLocalFields(int64_t secs)
{
    // Qt's local time conversion is safe on any thread, unlike localtime().
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime);
    NET_DVR_TIME t;
    t.Year = uint32_t(local.date().year());
    t.Month = uint32_t(local.date().month());
    t.Day = uint32_t(local.date().day());
    t.Hour = uint32_t(local.time().hour());
    t.Minute = uint32_t(local.time().minute());
    t.Second = uint32_t(local.time().second());
    return t;
}

std::string FormatDateTimeText(int64_t secs)
{
    return FormatDateTimeText(SecsToLocalFields(secs));
}

int64_t DateTimeTextToSecs(std::string_view text)
{
    NET_DVR_TIME t;
    if (!ParseDateTimeText(text, &t))
        return 0;
    const QDateTime local(QDate(int(t.Year), int(t.Month), int(t.Day)),
                          QTime(int(t.Hour), int(t.Minute), int(t.Second)), Qt::LocalTime);
    return local.isValid() ? local.toSecsSinceEpoch() : 0;
}

bool ParseTimeOfDayText(std::string_view text, int* hour, int* minute, int* second)
{
    int parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        const size_t colon = text.find(':');
        const std::string_view part = i < 2 ? text.substr(0, colon) : text;
        if ((i < 2 && colon == std::string_view::npos) || !ParseNumber(part, &parts[i]))
            return false;
        if (i < 2)
            text.remove_prefix(colon + 1);
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return false;
    *hour = parts[0];
    *minute = parts[1];
    *second = parts[2];
    return true;
}

std::string FormatTimeOfDayText(int hour, int minute, int second)
{
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), "%d:%d:%d", hour, minute, second);
    return buffer;
}
