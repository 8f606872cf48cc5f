#pragma once

// Drive letters chosen by the operator map to directories. "Drives.conf" in the program's directory sets the
// map
// ("D=/srv/backup1", one a line); without it every mounted local volume gets a letter in mount-point order,
// C: being the volume of the program's directory.

#include <QList>
#include <QMap>
#include <QString>

struct DRIVE_INFO
{
    char Letter = 0; // 'C' .. 'Z'
    QString Path;    // the directory the letter stands for
    qint64 TotalBytes = 0;
    qint64 FreeBytes = 0; // free for this user, as the settings' disk list shows it
};

class CDriveMap
{
public:
    // The letter-to-directory map, from "Drives.conf" when it exists, else from the mounted volumes.
    static QMap<char, QString> ReadMap();
    // The map with total and free space per letter, in letter order.
    static QList<DRIVE_INFO> GetDrives();
    // The directory of one letter (either case); empty when the letter is not mapped.
    static QString GetDrivePath(char letter);

    // Parses the text of a map file. Lines that are empty or begin with '#' are skipped; a line that is not
    // "<letter>=<absolute path>" is reported in the warnings and skipped; a letter given twice keeps its
    // first path.
    static QMap<char, QString> ParseMapText(const QString& text, QStringList* warnings = nullptr);

private:
    static QMap<char, QString> MapMountedVolumes();
};
