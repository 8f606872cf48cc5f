#include "platform/DriveMap.h"

#include "model/LogStore.h"
#include "model/Utility.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mapMutex; // one reader-writer of the map file at a time; guards everything below
CDriveMap::VolumeSource g_volumeSource;
QString g_mapFileError; // why the file was refused at its last reading
QString g_loggedError;  // the refusal last written to the log, so a refusal is logged once, not per reading

const QString kVolumeMark = QStringLiteral("[volume]");

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
        "# A letter keeps its folder. Fixed volumes are added once; a # before a line hides its volume.\n"
        "# A folder marked [volume] is a mount point: while nothing is mounted there, its letter is no "
        "disk.\n");
}

// One line of the map file as it reads.
struct MAP_LINE
{
    int Index = 0;
    bool Valid = false; // a "<letter>=<absolute path>" line
    bool Commented = false;
    bool Volume = false;
    char Letter = 0;
    QString Path;
};

QList<MAP_LINE> ParseLines(const QStringList& lines)
{
    QList<MAP_LINE> parsed;
    for (int i = 0; i < lines.size(); ++i) {
        MAP_LINE line;
        line.Index = i;
        QString text = lines[i].trimmed();
        line.Commented = text.startsWith(QLatin1Char('#'));
        if (line.Commented)
            text = text.mid(1).trimmed();
        if (text.isEmpty())
            continue;
        const int eq = text.indexOf(QLatin1Char('='));
        const QString letterText = text.left(eq).trimmed().toUpper();
        QString path = eq < 0 ? QString() : text.mid(eq + 1).trimmed();
        if (path.endsWith(kVolumeMark, Qt::CaseInsensitive)) {
            path.chop(kVolumeMark.size());
            path = path.trimmed();
            line.Volume = true;
        }
        line.Valid = eq >= 0 && letterText.size() == 1 && letterText[0] >= QLatin1Char('A') &&
                     letterText[0] <= QLatin1Char('Z') && QDir::isAbsolutePath(path);
        if (line.Valid) {
            line.Letter = letterText[0].toLatin1();
            line.Path = QDir::cleanPath(path);
        }
        parsed.append(line);
    }
    return parsed;
}

// Reads the whole map file: a regular file of bounded size. A link to a device or a named pipe would make the
// start allocate without end or wait for good; neither is ever read. False with the reason when refused; an
// absent file reads as empty.
bool ReadMapFile(const QString& path, QByteArray* text, QString* error)
{
    // Not blocking: opening a named pipe for reading waits for a writer otherwise.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = QObject::tr("it is not a regular file");
        return false;
    }
    const auto tooLarge = [error] {
        *error = QObject::tr("it is larger than %1 KiB").arg(CDriveMap::kMaxMapFileBytes / 1024);
        return false;
    };
    if (st.st_size > CDriveMap::kMaxMapFileBytes)
        return tooLarge();
    // Read up to one byte past the bound: a file that grew since fstat is refused all the same.
    text->resize(CDriveMap::kMaxMapFileBytes + 1);
    qint64 got = 0;
    while (got < text->size()) {
        const ssize_t n = ::read(fd, text->data() + got, size_t(text->size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > CDriveMap::kMaxMapFileBytes)
        return tooLarge();
    text->resize(got);
    return true;
}

// Remembers why the file was refused; the log hears of a refusal once, until the file reads again.
void NoteMapFileError(const QString& error)
{
    g_mapFileError = error;
    if (error.isEmpty() || error == g_loggedError) {
        if (error.isEmpty())
            g_loggedError.clear();
        return;
    }
    g_loggedError = error;
    qWarning().noquote() << error;
    WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONFIG_DISK, error);
}

// The directories of the kernel's mount table, as this process sees it.
bool InMountTable(const QByteArray& directory)
{
    std::FILE* table = std::fopen("/proc/self/mountinfo", "re");
    if (table == nullptr)
        return false;
    bool found = false;
    char* line = nullptr;
    size_t capacity = 0;
    while (!found && ::getline(&line, &capacity, table) > 0) {
        // The fifth field is the mount point, with blanks, tabs, newlines and backslashes as octal escapes.
        const QList<QByteArray> fields = QByteArray(line).split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray& escaped = fields[4];
        QByteArray point;
        for (qsizetype i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == '\\' && i + 3 < escaped.size()) {
                point.append(char(escaped.mid(i + 1, 3).toInt(nullptr, 8)));
                i += 3;
            } else {
                point.append(escaped[i]);
            }
        }
        found = point == directory;
    }
    std::free(line);
    std::fclose(table);
    return found;
}

} // namespace

QString CDriveMap::MapFilePath()
{
    return GetAbsolutePath(QStringLiteral("Drives.conf"));
}

QString CDriveMap::MapFileError()
{
    std::lock_guard lock(g_mapMutex);
    return g_mapFileError;
}

void CDriveMap::SetVolumeSource(VolumeSource source)
{
    std::lock_guard lock(g_mapMutex);
    g_volumeSource = std::move(source);
}

bool CDriveMap::IsMountPoint(const QString& directory)
{
    char* resolved = ::realpath(QFile::encodeName(directory).constData(), nullptr);
    if (resolved == nullptr)
        return false;
    const QByteArray real(resolved);
    std::free(resolved);
    struct stat own, parent;
    if (::stat(real.constData(), &own) != 0 || !S_ISDIR(own.st_mode))
        return false;
    if (real == "/")
        return true;
    if (::stat((real + "/..").constData(), &parent) == 0 && own.st_dev != parent.st_dev)
        return true;
    // The same device as its parent: a bind mount, or a second mount of the parent's file system.
    return InMountTable(real);
}

QMap<char, QString> CDriveMap::ParseMapText(const QString& text, QStringList* warnings,
                                            QMap<char, QString>* hidden, QList<char>* volumes)
{
    QMap<char, QString> map;
    for (const MAP_LINE& line : ParseLines(text.split(QLatin1Char('\n')))) {
        if (!line.Valid) {
            if (warnings && !line.Commented)
                warnings->append(
                    QStringLiteral("line %1: expected <letter>=<absolute path>").arg(line.Index + 1));
            continue;
        }
        if (line.Commented) {
            if (hidden && !hidden->contains(line.Letter))
                hidden->insert(line.Letter, line.Path);
            continue;
        }
        if (map.contains(line.Letter)) {
            if (warnings)
                warnings->append(QStringLiteral("line %1: letter %2 given twice")
                                     .arg(line.Index + 1)
                                     .arg(QLatin1Char(line.Letter)));
            continue;
        }
        map.insert(line.Letter, line.Path);
        if (volumes && line.Volume)
            volumes->append(line.Letter);
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

QMap<char, DRIVE_MAP_ENTRY> CDriveMap::ReadEntries()
{
    std::lock_guard lock(g_mapMutex);
    const QString path = MapFilePath();
    QByteArray bytes;
    QString error;
    if (!ReadMapFile(path, &bytes, &error)) {
        // Not rewritten either: the operator's letters must not be replaced by new ones.
        NoteMapFileError(QObject::tr("The disk map %1 cannot be read: %2.").arg(path, error));
        return {};
    }
    NoteMapFileError(QString());
    QString text = QString::fromUtf8(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    QMap<char, DRIVE_MAP_ENTRY> map;
    QMap<char, QString> hidden;
    QStringList listed;
    bool rewrite = false;
    for (const MAP_LINE& line : ParseLines(lines)) {
        if (!line.Valid) {
            if (!line.Commented)
                qWarning() << "Drives.conf line" << line.Index + 1 << ": expected <letter>=<absolute path>";
            continue;
        }
        listed.append(line.Path);
        if (line.Commented) {
            if (!hidden.contains(line.Letter))
                hidden.insert(line.Letter, line.Path);
            continue;
        }
        if (map.contains(line.Letter)) {
            qWarning() << "Drives.conf line" << line.Index + 1 << ": letter" << line.Letter << "given twice";
            continue;
        }
        DRIVE_MAP_ENTRY entry{line.Path, line.Volume};
        // A folder the operator gave that is a volume's mount point now: marked, so that after a start
        // without that volume its empty mount point never takes its recordings.
        if (!entry.Volume && IsMountPoint(entry.Path)) {
            entry.Volume = true;
            lines[line.Index] = lines[line.Index].trimmed() + QLatin1Char(' ') + kVolumeMark;
            rewrite = true;
        }
        map.insert(line.Letter, entry);
    }

    // New fixed volumes take free letters from C on; every letter in the file, found or not, is taken.
    QString added;
    char letter = 'C';
    for (const QString& volume : FixedVolumes()) {
        const QString volumePath = QDir::cleanPath(volume);
        if (listed.contains(volumePath))
            continue;
        while (letter <= 'Z' && (map.contains(letter) || hidden.contains(letter)))
            ++letter;
        if (letter > 'Z')
            break;
        // Marked only what really is a mount point: a volume list given by a test names plain folders.
        const DRIVE_MAP_ENTRY entry{volumePath, IsMountPoint(volumePath)};
        map.insert(letter, entry);
        listed.append(volumePath);
        added += QString(QLatin1Char(letter)) + QLatin1Char('=') + volumePath +
                 (entry.Volume ? QLatin1Char(' ') + kVolumeMark : QString()) + QLatin1Char('\n');
        rewrite = true;
    }
    if (rewrite) {
        text = lines.join(QLatin1Char('\n'));
        if (text.trimmed().isEmpty())
            text = MapFileHeader();
        else if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Text) || out.write((text + added).toUtf8()) < 0 ||
            !out.commit())
            qWarning() << "Drives.conf cannot be written, so new letters may change:" << out.errorString();
    }
    return map;
}

QMap<char, QString> CDriveMap::ReadMap()
{
    QMap<char, QString> paths;
    const QMap<char, DRIVE_MAP_ENTRY> entries = ReadEntries();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        paths.insert(it.key(), it.value().Path);
    return paths;
}

QList<DRIVE_INFO> CDriveMap::GetDrives()
{
    QList<DRIVE_INFO> drives;
    const QMap<char, DRIVE_MAP_ENTRY> map = ReadEntries();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        DRIVE_INFO drive;
        drive.Letter = it.key();
        drive.Path = it.value().Path;
        drive.Volume = it.value().Volume;
        // A volume's folder without its volume is a folder of another disk: its space is not this disk's.
        drive.Exists = QFileInfo(drive.Path).isDir() && (!drive.Volume || IsMountPoint(drive.Path));
        const QStorageInfo volume(drive.Path);
        if (drive.Exists && volume.isValid() && volume.isReady()) {
            drive.TotalBytes = volume.bytesTotal();
            drive.FreeBytes = volume.bytesAvailable();
        }
        drives.append(drive);
    }
    return drives;
}

DRIVE_MAP_ENTRY CDriveMap::GetDrive(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    return ReadEntries().value(letter);
}

QString CDriveMap::GetDrivePath(char letter)
{
    return GetDrive(letter).Path;
}
