#include "platform/DriveMap.h"

#include "model/Utility.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <mutex>

namespace {

std::mutex g_mapMutex; // one reader-writer of the map file at a time; guards g_volumeSource too
CDriveMap::VolumeSource g_volumeSource;

// A USB or other removable block device, judged by its sysfs entry (a partition asks its disk).
bool IsRemovableDevice(const QByteArray& device)
{
    const QString node = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath();
    if (node.isEmpty())
        return false;
    QString sys =
        QFileInfo(QStringLiteral("/sys/class/block/") + QFileInfo(node).fileName()).canonicalFilePath();
    if (sys.isEmpty())
        return false;
    if (sys.contains(QLatin1String("/usb")))
        return true;
    for (int level = 0; level < 2 && !sys.isEmpty(); ++level) {
        QFile removable(sys + QStringLiteral("/removable"));
        if (removable.open(QIODevice::ReadOnly))
            return removable.readAll().trimmed() == "1";
        sys = QFileInfo(sys).path(); // a partition's entry lies inside its disk's
    }
    return false;
}

// Only volumes that hold the operator's data count as drives: a device-backed, writable, fixed file system.
bool IsFixedDataVolume(const QStorageInfo& volume)
{
    if (!volume.isValid() || !volume.isReady() || volume.isReadOnly())
        return false;
    return volume.device().startsWith("/dev/") && !IsRemovableDevice(volume.device());
}

QString MapFileHeader()
{
    return QStringLiteral(
        "# Varrow's disks: <letter>=<folder>, one a line; the recordings go to <folder>/Records.\n"
        "# A letter keeps its folder. Fixed volumes are added once; a # before a line hides its volume.\n");
}

} // namespace

QString CDriveMap::MapFilePath()
{
    return GetAbsolutePath(QStringLiteral("Drives.conf"));
}

void CDriveMap::SetVolumeSource(VolumeSource source)
{
    std::lock_guard lock(g_mapMutex);
    g_volumeSource = std::move(source);
}

QMap<char, QString> CDriveMap::ParseMapText(const QString& text, QStringList* warnings,
                                            QMap<char, QString>* hidden)
{
    QMap<char, QString> map;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        const bool commented = line.startsWith(QLatin1Char('#'));
        if (commented)
            line = line.mid(1).trimmed();
        if (line.isEmpty())
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        const QString letterText = line.left(eq).trimmed().toUpper();
        const QString path = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        const bool letterOk =
            letterText.size() == 1 && letterText[0] >= QLatin1Char('A') && letterText[0] <= QLatin1Char('Z');
        if (eq < 0 || !letterOk || !QDir::isAbsolutePath(path)) {
            if (warnings && !commented)
                warnings->append(QStringLiteral("line %1: expected <letter>=<absolute path>").arg(i + 1));
            continue;
        }
        const char letter = letterText[0].toLatin1();
        if (commented) {
            if (hidden && !hidden->contains(letter))
                hidden->insert(letter, QDir::cleanPath(path));
            continue;
        }
        if (map.contains(letter)) {
            if (warnings)
                warnings->append(QStringLiteral("line %1: letter %2 given twice").arg(i + 1).arg(letterText));
            continue;
        }
        map.insert(letter, QDir::cleanPath(path));
    }
    return map;
}

QStringList CDriveMap::FixedVolumes()
{
    if (g_volumeSource)
        return g_volumeSource();
    QStringList roots;
    // The program's own volume comes first, even where it is not device-backed (a container's root).
    const QStorageInfo programVolume(GetAppDirPath());
    QList<QByteArray> seenDevices;
    if (programVolume.isValid()) {
        roots.append(programVolume.rootPath());
        seenDevices.append(programVolume.device());
    }
    QList<QStorageInfo> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (IsFixedDataVolume(volume))
            volumes.append(volume);
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo& a, const QStorageInfo& b) { return a.rootPath() < b.rootPath(); });
    // A volume mounted at several places (bind mounts) is one drive: its first mount point in order.
    for (const QStorageInfo& volume : volumes) {
        if (roots.contains(volume.rootPath()) || seenDevices.contains(volume.device()))
            continue;
        seenDevices.append(volume.device());
        roots.append(volume.rootPath());
    }
    return roots;
}

QMap<char, QString> CDriveMap::ReadMap()
{
    std::lock_guard lock(g_mapMutex);
    QFile file(MapFilePath());
    QString text;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            // Unreadable, so not rewritten either: the operator's letters must not be replaced by new ones.
            qWarning() << "Drives.conf cannot be read:" << file.errorString();
            return {};
        }
        text = QString::fromUtf8(file.readAll());
        file.close();
    }
    QStringList warnings;
    QMap<char, QString> hidden;
    QMap<char, QString> map = ParseMapText(text, &warnings, &hidden);
    for (const QString& warning : warnings)
        qWarning() << "Drives.conf" << warning;
    QStringList listed = map.values() + hidden.values();

    // New fixed volumes take free letters from C on; every letter in the file, found or not, is taken.
    QString added;
    char letter = 'C';
    for (const QString& volume : FixedVolumes()) {
        const QString path = QDir::cleanPath(volume);
        if (listed.contains(path))
            continue;
        while (letter <= 'Z' && (map.contains(letter) || hidden.contains(letter)))
            ++letter;
        if (letter > 'Z')
            break;
        map.insert(letter, path);
        listed.append(path);
        added += QString(QLatin1Char(letter)) + QLatin1Char('=') + path + QLatin1Char('\n');
    }
    if (!added.isEmpty()) {
        if (text.isEmpty())
            text = MapFileHeader();
        else if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        QSaveFile out(MapFilePath());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Text) || out.write((text + added).toUtf8()) < 0 ||
            !out.commit())
            qWarning() << "Drives.conf cannot be written, so new letters may change:" << out.errorString();
    }
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
        drive.Exists = QFileInfo(it.value()).isDir();
        const QStorageInfo volume(it.value());
        if (drive.Exists && volume.isValid() && volume.isReady()) {
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
