#include "platform/DriveMap.h"

#include "model/Utility.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStorageInfo>

#include <algorithm>

namespace {

// Only volumes that hold the operator's data count as drives: a device-backed, writable file system.
bool IsLocalDataVolume(const QStorageInfo& volume)
{
    if (!volume.isValid() || !volume.isReady() || volume.isReadOnly())
        return false;
    return volume.device().startsWith("/dev/");
}

} // namespace

QMap<char, QString> CDriveMap::ParseMapText(const QString& text, QStringList* warnings)
{
    QMap<char, QString> map;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        const QString letterText = line.left(eq).trimmed().toUpper();
        const QString path = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        const bool letterOk =
            letterText.size() == 1 && letterText[0] >= QLatin1Char('A') && letterText[0] <= QLatin1Char('Z');
        if (eq < 0 || !letterOk || !QDir::isAbsolutePath(path)) {
            if (warnings)
                warnings->append(QStringLiteral("line %1: expected <letter>=<absolute path>").arg(i + 1));
            continue;
        }
        const char letter = letterText[0].toLatin1();
        if (map.contains(letter)) {
            if (warnings)
                warnings->append(QStringLiteral("line %1: letter %2 given twice").arg(i + 1).arg(letterText));
            continue;
        }
        map.insert(letter, QDir::cleanPath(path));
    }
    return map;
}

QMap<char, QString> CDriveMap::MapMountedVolumes()
{
    QMap<char, QString> map;
    // C: is always the program's own volume, even where that volume is not device-backed (a container's
    // root).
    const QStorageInfo programVolume(GetAppDirPath());
    const QString programRoot = programVolume.isValid() ? programVolume.rootPath() : QStringLiteral("/");
    map.insert('C', programRoot);

    QList<QStorageInfo> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (IsLocalDataVolume(volume))
            volumes.append(volume);
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo& a, const QStorageInfo& b) { return a.rootPath() < b.rootPath(); });

    // A volume mounted at several places (bind mounts) is one drive: its first mount point in order.
    QList<QByteArray> seenDevices;
    if (programVolume.isValid())
        seenDevices.append(programVolume.device());
    char letter = 'D';
    for (const QStorageInfo& volume : volumes) {
        if (letter > 'Z')
            break;
        if (volume.rootPath() == programRoot || seenDevices.contains(volume.device()))
            continue;
        seenDevices.append(volume.device());
        map.insert(letter++, volume.rootPath());
    }
    return map;
}

QMap<char, QString> CDriveMap::ReadMap()
{
    QFile file(GetAbsolutePath(QStringLiteral("Drives.conf")));
    if (!file.exists())
        return MapMountedVolumes();
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "Drives.conf cannot be read:" << file.errorString();
        return {};
    }
    QStringList warnings;
    const QMap<char, QString> map = ParseMapText(QString::fromUtf8(file.readAll()), &warnings);
    for (const QString& warning : warnings)
        qWarning() << "Drives.conf" << warning;
    return map;
}

QList<DRIVE_INFO> CDriveMap::GetDrives()
{
    QList<DRIVE_INFO> drives;
    const QMap<char, QString> map = ReadMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        DRIVE_INFO drive;
        drive.Letter = it.key();
        drive.Path = it.value();
        const QStorageInfo volume(it.value());
        if (volume.isValid() && volume.isReady()) {
            drive.TotalBytes = volume.bytesTotal();
            drive.FreeBytes = volume.bytesAvailable();
        }
        drives.append(drive);
    }
    return drives;
}

QString CDriveMap::GetDrivePath(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    return ReadMap().value(letter);
}
