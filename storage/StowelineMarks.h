#pragma once

// The station's mark in a disk's Records folder: a small file of the station's own user, closed to others,
// holding a random id that the settings keep with the disk's choice. The mark, not the device number, inode
// or path of the moment, says which disk a folder is: a disk plugged in again under another device number,
// or reached through another mount, shows the same mark; a folder put in its place shows another or none.

#include <QByteArray>

namespace StowelineDetail {

// The mark's file name in Records. A record name's folder never starts with a dot (EncodeRecordName), so no
// record can take it.
inline const QByteArray kMarkFile = QByteArrayLiteral(".station-mark");

enum class MARK_STATE
{
    OWN,     // the station's mark, read into *mark
    NONE,    // no mark (an earlier version's Records, or one made by hand)
    FOREIGN, // something else stands at the mark's name: another user's file, a link, one open to others
};

// Reads the mark of the open Records folder `records`, never through a link and never waiting on a pipe.
MARK_STATE ReadMark(int records, QByteArray* mark);
// Writes `mark` into the open Records folder, durably; false with errno. An empty file of our own left by
// a crash before its id was written is replaced.
bool WriteMark(int records, const QByteArray& mark);
// A new random id.
QByteArray NewMark();
// The mark of the open Records folder, written as a new one when it has none: empty when there is none
// and none could be written (errno set), or something else stands at its name.
QByteArray MarkOf(int records);
// The mark read through the open drive folder `drive` (its Records folder, never through a link): empty
// when there is none, or it is not the station's. `state` says which.
QByteArray MarkBelow(int drive, MARK_STATE* state = nullptr);

} // namespace StowelineDetail
