// Whose failure a refused step on a record is. The error number alone cannot tell: EACCES is a day folder
// kept read-only as well as a disk mounted read-only, EIO a file's bad block as well as a dying disk. The
// disk is asked instead, with the set-up's own probe file in its Records folder.
#include "storage/CStowelineClass.h"

#include "storage/StowelineOwnership.h"
#include "storage/StowelineParts.h"

#include <QFileInfo>

using namespace FileHandles;
using namespace StowelineDetail;

CStowelineClass::FAULT_OWNER CStowelineClass::Judge(CRoot& root, int error)
{
    if (IsNoRoom(error))
        return FAULT_OWNER::ROOM;
    {
        std::lock_guard lock(root.mutex);
        // A disk that did not answer is not asked again: its probe would wait the bound once more.
        if (error == kNoAnswer)
            LeaveOutSilent(root, false);
        // A disk already left out answers nothing more: the others take the record.
        if (root.refused != 0)
            return FAULT_OWNER::DISK;
    }
    // The disk is asked without its lock, within its bound: one that stalls holds up no other disk's
    // records, and one that does not answer is left out as one that refuses. One gone is left to the
    // callers, who name it as gone.
    const int refusal = root.ProbeBounded();
    if (refusal == 0)
        return FAULT_OWNER::RECORD;
    std::lock_guard lock(root.mutex);
    if (refusal == ENOENT && DriveGone(root))
        return FAULT_OWNER::DISK;
    if (root.refused == 0) {
        // Named with what befell the record, unless that is no errno of the file system's, or the disk
        // did not answer at all.
        LeaveOut(root, refusal != kNoAnswer && error > 0 && error != kForeignFolder ? error : refusal);
    }
    return FAULT_OWNER::DISK;
}

int CStowelineClass::NoteOwnFault(const COpenRecord& record, int error, const QString& foreignAt)
{
    if (error == kForeignFolder) {
        t_rootError = {QString(), foreignAt, EPERM, false};
        return STOWELINE_ERR_NAME;
    }
    if (IsNameCause(error)) {
        t_rootError = {QString(), record.finalPath, error, false};
        return STOWELINE_ERR_NAME;
    }
    t_rootError = {QString(), QFileInfo(record.finalPath).path(), error > 0 ? error : EIO, false};
    return STOWELINE_ERR_RECORD;
}

bool CStowelineClass::Replenish(const COpenRecord& record, CRoomPass& pass)
{
    // A disk left out for a refusal may take files again (remounted, repaired): used before anything is
    // deleted, and before the disks are called full.
    if (ProbeLeftOut(record.roots, pass))
        return true;
    return record.overwrite && DeleteOldestOfAll(record.roots, pass);
}
