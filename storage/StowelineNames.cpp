#include "storage/StowelineNames.h"

#include "platform/FileHandles.h"

#include <QDate>
#include <QFile>
#include <QObject>
#include <QTime>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <unistd.h>

using namespace FileHandles;

namespace StowelineDetail {

// Temporary files of records open anywhere in this process. Only one program instance runs, so a temporary
// file that is not listed here was left by a crash; a replaced storage object may still be writing the listed
// ones.
namespace {

std::mutex g_tempMutex;
std::set<QString> g_openTempFiles;

} // namespace

void RegisterTemp(const QString& path)
{
    std::lock_guard lock(g_tempMutex);
    g_openTempFiles.insert(path);
}

void UnregisterTemp(const QString& path)
{
    std::lock_guard lock(g_tempMutex);
    g_openTempFiles.erase(path);
}

bool IsTempOpen(const QString& path)
{
    std::lock_guard lock(g_tempMutex);
    return g_openTempFiles.count(path) != 0;
}

bool IsTempName(const QByteArray& name)
{
    return name.startsWith('.') && name.endsWith(kTempSuffix);
}

void RemoveLeftovers(int dayDir, const QString& dayPath)
{
    for (const DIR_ENTRY& entry : ListDir(dayDir)) {
        if (entry.File && IsTempName(entry.Name) &&
            !IsTempOpen(dayPath + QLatin1Char('/') + QFile::decodeName(entry.Name)))
            ::unlinkat(dayDir, entry.Name.constData(), 0);
    }
}

QByteArray NewTempName(const QByteArray& fileName)
{
    static std::atomic<quint64> s_sequence{0};
    return '.' + fileName + '.' + QByteArray::number(::getpid()) + '-' + QByteArray::number(++s_sequence) +
           kTempSuffix;
}

bool IsValidTime(const STOWELINE_TIME& t)
{
    return QDate(t.Year, t.Month, t.Day).isValid() && QTime(t.Hour, t.Minute, t.Second).isValid();
}

QString CompactText(const STOWELINE_TIME& t)
{
    return QString::asprintf("%04u%02u%02u%02u%02u%02u", unsigned(t.Year), unsigned(t.Month), unsigned(t.Day),
                             unsigned(t.Hour), unsigned(t.Minute), unsigned(t.Second));
}

std::string RecordId(const char* name, const CHANNEL_RECORD_KEY& key)
{
    std::string id(name);
    id.push_back('\0');
    for (const STOWELINE_TIME* t : {&key.StartTime, &key.StopTime}) {
        const uint8_t fields[] = {
            uint8_t(t->Year >> 8), uint8_t(t->Year), t->Month, t->Day, t->Hour, t->Minute, t->Second};
        id.append(reinterpret_cast<const char*>(fields), sizeof(fields));
    }
    id.append(reinterpret_cast<const char*>(&key.FileType), sizeof(key.FileType));
    return id;
}

QString FileNameOf(const CHANNEL_RECORD_KEY& key)
{
    return CompactText(key.StartTime) + QLatin1Char('_') + CompactText(key.StopTime) + QLatin1Char('_') +
           QString::number(key.FileType) + QLatin1String(kExtension);
}

bool IsDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

bool IsDayName(const QByteArray& name)
{
    return name.size() == 8 && IsDigits(QString::fromLatin1(name));
}

bool ParseFileName(const QString& name, QString* start, QString* stop, quint32* type)
{
    const qsizetype ext = kExtension.size();
    if (!name.endsWith(QLatin1String(kExtension)) || name.size() < 31 + ext)
        return false;
    const QStringView view(name);
    if (view[14] != QLatin1Char('_') || view[29] != QLatin1Char('_'))
        return false;
    const QStringView typeText = view.mid(30, name.size() - 30 - ext);
    if (!IsDigits(view.mid(0, 14)) || !IsDigits(view.mid(15, 14)) || typeText.isEmpty() ||
        !IsDigits(typeText))
        return false;
    bool ok = false;
    *type = typeText.toUInt(&ok);
    *start = name.left(14);
    *stop = name.mid(15, 14);
    return ok;
}

QString ReadableTime(const QString& compact)
{
    if (compact.size() != 14)
        return compact;
    return compact.left(4) + QLatin1Char('-') + compact.mid(4, 2) + QLatin1Char('-') + compact.mid(6, 2) +
           QLatin1Char(' ') + compact.mid(8, 2) + QLatin1Char(':') + compact.mid(10, 2) + QLatin1Char(':') +
           compact.mid(12, 2);
}

QString DescribeRecord(const QByteArray& folder, const QByteArray& file)
{
    const QString name = QString::fromLatin1(QByteArray::fromPercentEncoding(folder));
    const qsizetype channelAt = name.lastIndexOf(QLatin1Char('_'));
    const qsizetype portAt = channelAt > 0 ? name.lastIndexOf(QLatin1Char('_'), channelAt - 1) : -1;
    QString recorder = name;
    QString channel = QStringLiteral("?");
    if (portAt > 0) {
        recorder = name.left(portAt) + QLatin1Char(':') + name.mid(portAt + 1, channelAt - portAt - 1);
        channel = name.mid(channelAt + 1);
    }
    QString start, stop;
    quint32 type = 0;
    ParseFileName(QString::fromLatin1(file), &start, &stop, &type);
    return QObject::tr("recorder %1, channel %2, %3 to %4")
        .arg(recorder, channel, ReadableTime(start), ReadableTime(stop));
}

} // namespace StowelineDetail
