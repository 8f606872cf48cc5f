#pragma once

// Drive letters chosen by the operator map to directories. "Drives.conf" in the program's directory holds the
// map ("D=/srv/backup1", one a line). A letter, once given to a directory, keeps it: fixed local volumes that
// the file does not list yet get the next free letter once and are written into it, so mounting another
// volume never moves a letter. Removable and pseudo file systems appear only when the file lists them; a
// volume whose line is commented out ("#E=/boot/efi") stays hidden. A listed directory that has gone keeps
// its letter (the storage set-up reports it); nothing else takes that letter.
//
// A letter that stands for a volume carries the mark " [volume]" after its folder ("D=/media/backup
// [volume]"), written by the map itself: for a volume it adds from the volume list, and for a line the
// operator wrote whose folder is a mount point when the map is read. While no volume is mounted at such a
// folder, the folder is an empty directory of the disk below and the letter is not a disk. Lines for plain
// folders stay plain.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

struct DRIVE_INFO
{
    char Letter = 0;     // 'C' .. 'Z'
    QString Path;        // the directory the letter stands for
    bool Exists = false; // the directory is there (for a volume: mounted)
    bool Answers = true; // its volume answered within the map's bound (else Exists is false too)
    bool Volume = false; // the letter stands for a volume mounted at Path
    qint64 TotalBytes = 0;
    qint64 FreeBytes = 0; // free for this user, as the settings' disk list shows it
};

// One letter of the map.
struct DRIVE_MAP_ENTRY
{
    QString Path;
    bool Volume = false; // marked as a volume: only a mount point at Path is this disk
};

class CDriveMap
{
public:
    // The letter-to-directory map: "Drives.conf", with the fixed volumes it lacks added and written in, and
    // the marks of volumes written for lines that lacked them. Empty when the file is refused (MapFileError).
    static QMap<char, DRIVE_MAP_ENTRY> ReadEntries();
    // The same, directories only.
    static QMap<char, QString> ReadMap();
    // The letters the map file names, read as it stands (through the same checks as every reading of it),
    // without the map's lock and without a look at any folder; empty when the file is refused or absent.
    static QMap<char, QString> MapFileLetters();
    // The map with total and free space per letter, in letter order. Every look at a volume (the machine's
    // mounts and each letter's folder) is made side by side on threads of their own (platform/VolumeCall.h)
    // and waited for within one bound in all: a letter whose volume does not answer is listed as one that
    // does not answer, never as there, and a silent mount elsewhere is passed over.
    static QList<DRIVE_INFO> GetDrives();
    // The directory of one letter (either case); empty when the letter is not mapped.
    static QString GetDrivePath(char letter);
    // The entry of one letter (either case); an empty path when the letter is not mapped.
    static DRIVE_MAP_ENTRY GetDrive(char letter);
    // Where the map file lies.
    static QString MapFilePath();
    // Why the map file was refused at its last reading, naming the file; empty when it was read (or is
    // absent).
    static QString MapFileError();
    // The most the map file may hold: a regular file of a few hundred lines at most.
    static constexpr qint64 kMaxMapFileBytes = 256 * 1024;

    // Parses the text of a map file. Lines that are empty or begin with '#' are skipped (a commented-out
    // mapping goes to `hidden`: its volume is not added again, and its letter is not given to another); a
    // line that is not "<letter>=<absolute path>" is reported in the warnings and skipped; a letter given
    // twice keeps its first path. `volumes` gets the letters marked as volumes.
    static QMap<char, QString> ParseMapText(const QString& text, QStringList* warnings = nullptr,
                                            QMap<char, QString>* hidden = nullptr,
                                            QList<char>* volumes = nullptr);

    // A directory on which a file system is mounted (the root included); false when it is not there.
    static bool IsMountPoint(const QString& directory);

    // The mount directories of the fixed local volumes, the program's own first; removable, network, pseudo
    // and read-only file systems are left out. Tests put their own list in place; an empty function restores
    // the mounted volumes.
    using VolumeSource = std::function<QStringList()>;
    static void SetVolumeSource(VolumeSource source);

    // How long one reading of the map waits in all for the volumes it looks at, in milliseconds; 0 sets the
    // program's own bound again (for tests).
    static void SetBound(int ms);
};
