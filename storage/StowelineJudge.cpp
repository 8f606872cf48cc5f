// Whose failure a refused step on a record is. The error number alone cannot tell: EACCES is a day folder
// kept read-only as well as a disk mounted read-only, EIO a file's bad block as well as a dying disk. The
// disk is asked instead, with the set-up's own probe file in its Records folder.
#include "storage/CStowelineClass.h"

#include "storage/StowelineOwnership.h"
#include "storage/StowelineParts.h"

#include <QFileInfo>

using namespace StowelineDetail;

CStowelineClass::FAULT_OWNER CStowelineClass::Judge(CRoot& root, int error)
{
    if (IsNoRoom(error))
        return FAULT_OWNER::ROOM;
    std::lock_guard lock(root.mutex);
    // A disk already left out, or gone, answers nothing more: the others take the record.
    if (root.refused != 0 || DriveGone(root))
        return FAULT_OWNER::DISK;
    const int refusal = root.Probe();
    if (refusal == 0)
        return FAULT_OWNER::RECORD;
    // Named with what befell the record, unless that is no errno of the file system's.
    LeaveOut(root, error > 0 && error != kForeignFolder ? error : refusal);
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
