#include "platform/DriveMap.h"

#include "model/LogStore.h"
#include "model/Utility.h"
#include "platform/VolumeCall.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <vector>
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

// One entry of the kernel's mount table, as this process sees it: read from the table alone, without
// asking the volume anything.
struct MOUNT
{
    QByteArray Point;
    QByteArray Source; // the device, for a device-backed file system
    bool ReadOnly = false;
};

// Blanks, tabs, newlines and backslashes in the table's fields are octal escapes.
QByteArray Unescaped(const QByteArray& escaped)
{
    QByteArray plain;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\' && i + 3 < escaped.size()) {
            plain.append(char(escaped.mid(i + 1, 3).toInt(nullptr, 8)));
            i += 3;
        } else {
            plain.append(escaped[i]);
        }
    }
    return plain;
}

bool HasOption(const QByteArray& options, const char* option)
{
    return options.split(',').contains(QByteArray(option));
}

QList<MOUNT> MountTable()
{
    QList<MOUNT> mounts;
    std::FILE* table = std::fopen("/proc/self/mountinfo", "re");
    if (table == nullptr)
        return mounts;
    char* line = nullptr;
    size_t capacity = 0;
    while (::getline(&line, &capacity, table) > 0) {
        // "<id> <parent> <major:minor> <root> <mount point> <options> [<tags>...] - <type> <source>
        // <options>"
        const QList<QByteArray> fields = QByteArray(line).trimmed().split(' ');
        if (fields.size() < 6)
            continue;
        MOUNT mount;
        mount.Point = Unescaped(fields[4]);
        mount.ReadOnly = HasOption(fields[5], "ro");
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (dash > 0) {
            if (dash + 2 < fields.size())
                mount.Source = Unescaped(fields[dash + 2]);
            if (dash + 3 < fields.size())
                mount.ReadOnly = mount.ReadOnly || HasOption(fields[dash + 3], "ro");
        }
        mounts.append(mount);
    }
    std::free(line);
    std::fclose(table);
    return mounts;
}

// The directories of the kernel's mount table, as this process sees it.
bool InMountTable(const QByteArray& directory)
{
    const QList<MOUNT> mounts = MountTable();
    return std::any_of(mounts.cbegin(), mounts.cend(),
                       [&directory](const MOUNT& mount) { return mount.Point == directory; });
}

// How long one reading of the map waits in all for the volumes it looks at.
std::atomic_int g_boundMs{VolumeCall::kDefaultBoundMs};

// What one look at a letter's folder found. Made on a volume call's thread: a folder on a volume that does
// not answer (a network share whose server went silent, a FUSE volume whose daemon was stopped) keeps its
// look waiting, never the reading of the map.
struct LOOK
{
    bool Answered = false; // the look came back within the bound
    bool IsDir = false;
    bool MountPoint = false;
    qint64 TotalBytes = 0;
    qint64 FreeBytes = 0;
};

LOOK LookAt(const QString& path)
{
    LOOK look;
    look.Answered = true;
    look.IsDir = QFileInfo(path).isDir();
    if (!look.IsDir)
        return look;
    look.MountPoint = CDriveMap::IsMountPoint(path);
    const QStorageInfo volume(path);
    if (volume.isValid() && volume.isReady()) {
        look.TotalBytes = volume.bytesTotal();
        look.FreeBytes = volume.bytesAvailable();
    }
    return look;
}

// A mounted volume as a candidate drive: its mount point and device, when it is a fixed data volume.
struct FIXED
{
    bool Fixed = false;
    QString Root;
    QByteArray Device;
};

// What one call of a reading's looks brings back: a letter's folder, or a mounted volume.
struct ANSWER
{
    LOOK Look;
    FIXED Volume;
};

// Looks at every place in `places` side by side, within what is left of the reading's bound. A place is
// named by its key (a folder's path, or a volume's with a word of its own), so that a place left silent by
// an earlier reading is not asked again until it answers.
QList<ANSWER> LookSideBySide(const QStringList& keys, std::vector<std::function<ANSWER()>> works,
                             const std::chrono::steady_clock::time_point& deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    std::vector<std::optional<ANSWER>> answers;
    VolumeCall::RunAll(std::vector<QString>(keys.begin(), keys.end()), std::move(works),
                       int(std::max<qint64>(0, left.count())), &answers);
    QList<ANSWER> found;
    // A look that did not come back is one that did not answer, whatever its default values say.
    for (const std::optional<ANSWER>& answer : answers)
        found.append(answer.value_or(ANSWER()));
    return found;
}

// The key of a mounted volume's look at the machine's mounts, apart from a letter's look at the same folder.
QString MountKey(const QString& root)
{
    return QStringLiteral("mounted volume ") + root;
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

void CDriveMap::SetBound(int ms)
{
    g_boundMs = ms > 0 ? ms : VolumeCall::kDefaultBoundMs;
}

namespace {

// The map as ReadEntries gives it, and with `looks` the look at each letter's folder (every letter's, else
// only those whose mark is still to be found). Every look at a volume, the machine's mounts among them, is
// made side by side within one bound in all. Under the map's lock.
QMap<char, DRIVE_MAP_ENTRY> ReadEntriesLocked(QMap<char, LOOK>* looks)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_boundMs.load());
    const QString path = CDriveMap::MapFilePath();
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
    QMap<char, int> lineOf;
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
        map.insert(line.Letter, DRIVE_MAP_ENTRY{line.Path, line.Volume});
        lineOf.insert(line.Letter, line.Index);
    }

    // The letters' folders and the machine's mounts, looked at together. Only device-backed, writable
    // mounts of fixed disks are asked anything: the table alone passes over network shares, FUSE and pseudo
    // file systems, which are never drives by themselves.
    QStringList keys;
    std::vector<std::function<ANSWER()>> works;
    QList<char> looked;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if ((looks == nullptr && it.value().Volume) || keys.contains(it.value().Path))
            continue;
        keys.append(it.value().Path);
        looked.append(it.key());
        works.emplace_back([folder = it.value().Path] { return ANSWER{LookAt(folder), {}}; });
    }
    const qsizetype firstVolume = keys.size();
    if (!g_volumeSource) {
        // The program's own volume comes first, even where it is not device-backed (a container's root).
        const QString programDir = GetAppDirPath();
        keys.append(MountKey(programDir));
        works.emplace_back([programDir] {
            const QStorageInfo volume(programDir);
            return ANSWER{{}, {volume.isValid(), volume.rootPath(), volume.device()}};
        });
        for (const MOUNT& mount : MountTable()) {
            const QString root = QFile::decodeName(mount.Point);
            if (!mount.Source.startsWith("/dev/") || mount.ReadOnly || keys.contains(MountKey(root)) ||
                IsRemovableDevice(mount.Source))
                continue;
            keys.append(MountKey(root));
            works.emplace_back([root] {
                const QStorageInfo volume(root);
                return ANSWER{{}, {IsFixedDataVolume(volume), volume.rootPath(), volume.device()}};
            });
        }
    }
    const QList<ANSWER> answers = LookSideBySide(keys, std::move(works), deadline);
    QMap<char, LOOK> found;
    for (qsizetype i = 0; i < looked.size(); ++i) {
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.value().Path == keys[i])
                found.insert(it.key(), answers[i].Look);
        }
    }
    // A folder the operator gave that is a volume's mount point now: marked, so that after a start without
    // that volume its empty mount point never takes its recordings. A folder that did not answer is marked
    // at a later reading.
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value().Volume || !found.value(it.key()).MountPoint)
            continue;
        it.value().Volume = true;
        const int index = lineOf.value(it.key());
        lines[index] = lines[index].trimmed() + QLatin1Char(' ') + kVolumeMark;
        rewrite = true;
    }

    // The mount directories of the fixed local volumes, the program's own first; removable, network, pseudo
    // and read-only file systems are left out, and so is a volume that did not answer.
    QStringList volumes;
    if (g_volumeSource) {
        volumes = g_volumeSource();
    } else {
        QList<QByteArray> seenDevices;
        const ANSWER& program = answers[firstVolume];
        if (program.Volume.Fixed) {
            volumes.append(program.Volume.Root);
            seenDevices.append(program.Volume.Device);
        }
        QList<FIXED> fixed;
        for (qsizetype i = firstVolume + 1; i < answers.size(); ++i)
            if (answers[i].Volume.Fixed)
                fixed.append(answers[i].Volume);
        std::sort(fixed.begin(), fixed.end(), [](const FIXED& a, const FIXED& b) { return a.Root < b.Root; });
        // A volume mounted at several places (bind mounts) is one drive: its first mount point in order.
        for (const FIXED& volume : std::as_const(fixed)) {
            if (volumes.contains(volume.Root) || seenDevices.contains(volume.Device))
                continue;
            seenDevices.append(volume.Device);
            volumes.append(volume.Root);
        }
    }

    // New fixed volumes take free letters from C on; every letter in the file, found or not, is taken. Each
    // is looked at within what is left of the bound; one that does not answer is added at a later reading.
    QStringList fresh;
    for (const QString& volume : std::as_const(volumes)) {
        const QString volumePath = QDir::cleanPath(volume);
        if (!listed.contains(volumePath) && !fresh.contains(volumePath))
            fresh.append(volumePath);
    }
    std::vector<std::function<ANSWER()>> freshWorks;
    for (const QString& volume : std::as_const(fresh))
        freshWorks.emplace_back([volume] { return ANSWER{LookAt(volume), {}}; });
    const QList<ANSWER> freshAnswers =
        fresh.isEmpty() ? QList<ANSWER>() : LookSideBySide(fresh, std::move(freshWorks), deadline);
    QString added;
    char letter = 'C';
    for (qsizetype i = 0; i < fresh.size(); ++i) {
        const QString& volumePath = fresh[i];
        const LOOK& look = freshAnswers[i].Look;
        if (!look.Answered)
            continue;
        while (letter <= 'Z' && (map.contains(letter) || hidden.contains(letter)))
            ++letter;
        if (letter > 'Z')
            break;
        // Marked only what really is a mount point: a volume list given by a test names plain folders.
        const DRIVE_MAP_ENTRY entry{volumePath, look.MountPoint};
        map.insert(letter, entry);
        found.insert(letter, look);
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
    if (looks)
        *looks = found;
    return map;
}

} // namespace

QMap<char, DRIVE_MAP_ENTRY> CDriveMap::ReadEntries()
{
    std::lock_guard lock(g_mapMutex);
    return ReadEntriesLocked(nullptr);
}

QMap<char, QString> CDriveMap::MapFileLetters()
{
    QByteArray bytes;
    QString error;
    if (!ReadMapFile(MapFilePath(), &bytes, &error))
        return {};
    return ParseMapText(QString::fromUtf8(bytes));
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
    QMap<char, LOOK> looks;
    QMap<char, DRIVE_MAP_ENTRY> map;
    {
        std::lock_guard lock(g_mapMutex);
        map = ReadEntriesLocked(&looks);
    }
    QList<DRIVE_INFO> drives;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        DRIVE_INFO drive;
        drive.Letter = it.key();
        drive.Path = it.value().Path;
        drive.Volume = it.value().Volume;
        const LOOK look = looks.value(it.key());
        drive.Answers = look.Answered;
        // A volume's folder without its volume is a folder of another disk: its space is not this disk's.
        drive.Exists = look.Answered && look.IsDir && (!drive.Volume || look.MountPoint);
        if (drive.Exists) {
            drive.TotalBytes = look.TotalBytes;
            drive.FreeBytes = look.FreeBytes;
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
