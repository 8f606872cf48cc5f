#pragma once

// Whose folders the storage uses. Another local user who can write to a disk's folder could otherwise make
// the Records folder, or a folder below it, and later swap a record for forged bytes or plant entries at the
// names the station writes. So:
// - every folder below the drive's own folder must belong to the program's user (a folder of another user is
//   left alone, as a link is);
// - the Records folder, the one way into everything below it, must also be closed to other users' writes.
//   The set-up closes the station's own Records folder (0700) when it is open to others, which closes the
//   whole tree below it; a sticky bit does not help (others may still create entries), so it is closed too.
// Below a closed Records folder the mode of the station's own folders does not matter: nobody else gets in.
// A volume without owners (FAT, exFAT) shows every file as the mounting user's and its mount options as the
// modes, which cannot be changed: mounted for the station's user with no write for others, it passes.

// The checks of one folder (its owner, its mode) and the walk that makes them are the file handles'
// (platform/FileHandles.h).

#include "platform/FileHandles.h"

#include <QString>

#include <sys/types.h>

namespace StowelineDetail {

// What is wrong with a folder, for the operator.
struct FOLDER_TRUST
{
    bool Foreign = false;     // another user's
    uid_t Owner = 0;          // its owner, when Foreign
    bool OpenToWrite = false; // other users may write to it
};
// The folder at `path` (not following a link at its last part) as the checks above see it.
FOLDER_TRUST ExamineFolder(const QString& path);

} // namespace StowelineDetail
