#include "storage/CreateStorage.h"

#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/LogText.h"
#include "model/SysInfoManage.h"
#include "platform/DriveMap.h"
#include "storage/StorageEvents.h"
#include "storage/StowelineOwnership.h"

#include <QDebug>
#include <QFile>
#include <QObject>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace {

std::mutex g_storageMutex;
std::shared_ptr<CStowelineClass> g_pStoweline;
// Why the last set-up left no object, for the operator; guarded by g_storageMutex.
struct STORAGE_FAILURE
{
    int code = 0;            // the set-up's result
    bool noDisk = false;     // no drive letter was chosen
    QString disk;            // the refused disk and why; empty when no disk was named as the cause
    bool diskAbsent = false; // that disk is not there at all
};
STORAGE_FAILURE g_failure;

void SetFailure(const STORAGE_FAILURE& failure)
{
    std::lock_guard lock(g_storageMutex);
    g_failure = failure;
}

void SetStoweline(std::shared_ptr<CStowelineClass> object)
{
    std::shared_ptr<CStowelineClass> old;
    {
        std::lock_guard lock(g_storageMutex);
        old = std::exchange(g_pStoweline, std::move(object));
    }
    // `old` goes out of scope here, outside the lock: releasing the last reference uninitialises the object.
}

// The system settings as the model holds them.
SYSTEM_CONFIG ReadSystemConfigFromModel()
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    return config;
}

// Uninit before release, for every object that was set up.
void ReleaseInitialised(CStowelineClass* object)
{
    object->Uninit();
    DelStowelineClass(&object);
}

// A letter the operator chose again has taken the folder found there: said as the disk settings' doing, not
// as something the storage did of its own accord.
void SayChosenAgain(char letter)
{
    const QString text = QObject::tr("Disk %1: the folder %2 is taken as the disk, as it was chosen "
                                     "again in the disk settings.")
                             .arg(QString(QLatin1Char(letter)), CDriveMap::GetDrive(letter).Path);
    qWarning().noquote() << "storage:" << EscapeControls(text);
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, text);
    CStorageEvents::Instance().Report(text);
}

} // namespace

std::shared_ptr<CStowelineClass> GetStoweline()
{
    std::lock_guard lock(g_storageMutex);
    return g_pStoweline;
}

QString DescribeRootError(const STOWELINE_ROOT_ERROR& error)
{
    QString drive = error.Drive;
    if (drive.endsWith(QLatin1Char(':')))
        drive.chop(1);
    // Asked nothing more: looking at a folder that does not answer would wait on it again.
    if (error.NoAnswer)
        return drive.isEmpty()
                   ? QObject::tr("The folder %1 does not answer.").arg(error.Path)
                   : QObject::tr("Disk %1: the folder %2 does not answer.").arg(drive, error.Path);
    if (error.Path.isEmpty()) {
        const QString mapError = CDriveMap::MapFileError();
        if (!mapError.isEmpty())
            return QObject::tr("Disk %1 has no folder. %2").arg(drive, mapError);
        return QObject::tr("Disk %1 has no folder. Give it one with a line \"%1=/path/to/folder\" in %2.")
            .arg(drive, CDriveMap::MapFilePath());
    }
    if (error.Replaced && error.Mark != STOWELINE_ROOT_ERROR::MARK_MATCHES) {
        QString why;
        switch (error.Mark) {
        case STOWELINE_ROOT_ERROR::MARK_OTHER:
            why = QObject::tr("its Records folder holds the mark of another disk");
            break;
        case STOWELINE_ROOT_ERROR::MARK_FOREIGN:
            why = QObject::tr("its Records folder, or the mark in it, is not the station's own");
            break;
        case STOWELINE_ROOT_ERROR::MARK_LINK:
            why = QObject::tr("a link stands in its place, and what it leads to holds no mark of that disk");
            break;
        default:
            why = QObject::tr("it holds no Records folder with the mark of that disk");
            break;
        }
        return QObject::tr("Disk %1: the folder %2 is not the disk that was set up there (%3); it is neither "
                           "written nor searched until that disk is back, or the disk is chosen again in the "
                           "disk settings.")
                   .arg(drive, error.Path, why) +
               QLatin1Char(' ') +
               QObject::tr(
                   "To use this folder as the disk instead, untick the disk in the disk settings, tick "
                   "it again and press OK.");
    }
    if (error.Replaced)
        return QObject::tr(
                   "Disk %1: the folder %2 is no longer the folder that was set up (it was moved away, "
                   "and a link or another folder stands in its place); it is not written until that "
                   "folder is back.")
            .arg(drive, error.Path);
    if (error.NotMounted)
        return QObject::tr("Disk %1: no volume is mounted at the folder %2 (is its volume mounted?).")
            .arg(drive, error.Path);
    if (error.SystemError == 0)
        return QObject::tr("Disk %1: the folder %2 does not exist (is its volume mounted?).")
            .arg(drive, error.Path);
    // The storage leaves out a disk that did not answer within its bound with ETIMEDOUT.
    if (error.SystemError == ETIMEDOUT)
        return QObject::tr("Disk %1: the folder %2 does not answer.").arg(drive, error.Path);
    if (error.SystemError == ELOOP)
        return QObject::tr("Disk %1: the folder %2 is a link, and links below a disk's folder are never "
                           "followed.")
            .arg(drive, error.Path);
    if (error.SystemError == EPERM || error.SystemError == EACCES) {
        // The storage refuses a folder that is not the station's own with EPERM, and another user's folder
        // closed to the station cannot even be opened: say which check it failed.
        const StowelineDetail::FOLDER_TRUST trust = StowelineDetail::ExamineFolder(error.Path);
        if (trust.Foreign)
            return QObject::tr(
                       "Disk %1: the folder %2 belongs to another user (user id %3); the station uses "
                       "only folders of its own user there.")
                .arg(drive, error.Path)
                .arg(trust.Owner);
        if (trust.OpenToWrite && error.SystemError == EPERM)
            return QObject::tr("Disk %1: other users may write to the folder %2 (a volume without owners "
                               "must be mounted for the station's user, with no write for others).")
                .arg(drive, error.Path);
    }
    return QObject::tr("Disk %1: the folder %2 cannot be written: %3.")
        .arg(drive, error.Path, QString::fromLocal8Bit(std::strerror(error.SystemError)));
}

bool IsDiskAbsent(const STOWELINE_ROOT_ERROR& error)
{
    // A disk that does not answer (a network share whose server went silent) is not there for the station:
    // nothing on the local disk clears it, and the backups wait for it as for one missing.
    if (error.NoAnswer)
        return true;
    switch (error.SystemError) {
    case ETIMEDOUT:
    case 0:
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return true;
    default:
        return error.Path.isEmpty();
    }
}

QString StorageErrorText(int code)
{
    std::lock_guard lock(g_storageMutex);
    // Nothing on the local disk to check or clear: the disk is missing, and asking to clear one sends the
    // operator after the wrong fault.
    if (g_failure.diskAbsent)
        return g_failure.disk + QLatin1Char('\n') +
               QObject::tr("The backups wait for this disk and start once it is there.");
    QString text = QObject::tr("Create Storage Error:") + QString::number(code) +
                   QObject::tr(".Please check and clear the local disk.");
    if (!g_failure.disk.isEmpty())
        text += QLatin1Char('\n') + g_failure.disk;
    return text;
}

QString StorageFailureCause()
{
    std::lock_guard lock(g_storageMutex);
    if (g_pStoweline)
        return QString();
    if (!g_failure.disk.isEmpty())
        return g_failure.disk;
    if (g_failure.noDisk)
        return QObject::tr("No record disk is chosen.");
    if (g_failure.code == 0)
        return QObject::tr("The record disks are not set up yet.");
    return QObject::tr("Create Storage Error:") + QString::number(g_failure.code);
}

void ReleaseStorage()
{
    SetStoweline(nullptr);
}

int CreateStorage(STOWELINE_DISKFULL_CALLBACK callback)
{
    return CreateStorage(callback, ReadSystemConfigFromModel());
}

int CreateStorage(STOWELINE_DISKFULL_CALLBACK callback, const SYSTEM_CONFIG& config)
{
    ReleaseStorage();
    STORAGE_FAILURE failure;

    STOWELINE_INIT_PARAM param;
    // The marks kept with the disk choice: each letter is the disk whose Records holds its mark.
    std::map<char, DISK_MARK> kept;
    DbSelectDiskMarks(&kept);
    // A letter given another folder in the drive map since is a new choice: no mark is kept for it.
    const auto folderOf = [](char letter) {
        return QFile::encodeName(CDriveMap::GetDrive(letter).Path).toStdString();
    };
    const auto keptMark = [&](char letter) {
        const auto found = kept.find(letter);
        return found != kept.end() && found->second.Folder == folderOf(letter) ? found->second.Mark
                                                                               : std::string();
    };
    int result = 0;
    for (size_t i = 0; i < sizeof(config.Disk) && config.Disk[i] != '\0'; ++i) {
        STOWELINE_PATH path;
        std::snprintf(path.Path, sizeof(path.Path), "%c:", config.Disk[i]);
        param.DiskPaths.Append(path.Path);
        param.DiskMarks.Append(keptMark(config.Disk[i]).c_str());
        result = 1;
    }
    if (result == 0) {
        failure.noDisk = true;
        SetFailure(failure);
        return 0;
    }
    // The records of an earlier choice of disks stay findable: every mapped letter is searched (the storage
    // passes over the chosen ones here), only where it holds the station's own Records, and never written.
    for (const char letter : CDriveMap::ReadMap().keys()) {
        STOWELINE_PATH path;
        std::snprintf(path.Path, sizeof(path.Path), "%c:", letter);
        param.SearchOnlyPaths.Append(path.Path);
        param.SearchOnlyMarks.Append(keptMark(letter).c_str());
    }

    CStowelineClass* raw = nullptr;
    if (!NewStowelineClass(&raw)) {
        failure.code = 1;
        SetFailure(failure);
        return 1;
    }

    param.MaxOpenRecords = 64;
    param.Reserved1 = 0;
    param.Reserved2 = 0;
    param.Enable = 1;
    param.Overwrite = config.DiskMode == 0 ? 1 : 0;
    param.DiskFullCallBack = config.DiskMode == 0 ? nullptr : callback;

    if (!raw->Init(&param)) {
        result = raw->GetLastError();
        // A refused set-up is never reported as success, whatever code the library gives.
        failure.code = result != 0 ? result : 1;
        if (result == STOWELINE_ERR_ROOT) {
            const STOWELINE_ROOT_ERROR root = raw->GetLastRootError();
            failure.disk = DescribeRootError(root);
            failure.diskAbsent = IsDiskAbsent(root);
        }
        SetFailure(failure);
        DelStowelineClass(&raw);
        return failure.code;
    }
    SetFailure(failure);
    // The marks found or written now are kept for the next set-ups. A letter the operator chose again (kept
    // with no mark) has taken the folder found there: said.
    for (const auto& [drive, mark] : raw->SetUpMarks()) {
        const char letter = drive.size() == 2 ? drive.at(0).toLatin1() : '\0';
        if (letter == '\0' || mark.isEmpty())
            continue;
        const DISK_MARK now{folderOf(letter), mark.toStdString()};
        const auto found = kept.find(letter);
        if (found != kept.end() && found->second.Folder == now.Folder && found->second.Mark == now.Mark)
            continue;
        if (!DbSaveDiskMark(letter, now))
            qWarning() << "storage: the mark of disk" << drive << "could not be kept";
        else if (found != kept.end() && found->second.Mark.empty())
            SayChosenAgain(letter);
    }
    SetStoweline(std::shared_ptr<CStowelineClass>(raw, ReleaseInitialised));
    return 0;
}
