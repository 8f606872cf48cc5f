// The state page's engine side for the manual backup and the storage: the manual button, the manual backup's
// thread, busy box and elapsed time, and the re-creation of the storage object when the disks or the
// full-disk behaviour change.

#include "pages/state/CViewState.h"

#include "config/pickers/CDlgManualBackup.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "model/EngineClock.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"
#include "storage/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QMutexLocker>
#include <QPointer>
#include <QTime>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kFirstStorageRetryMs = 60 * 1000;
constexpr int kLastStorageRetryMs = 30 * 60 * 1000;

// Empties the manual list for a manual backup chosen anew; no manual thread may run then.
void ClearManualTaskList()
{
    QMutexLocker lock(&g_pSysInfoManage->TaskMutex(MANUAL_GROUP_ID, 0));
    g_pSysInfoManage->TaskList(MANUAL_GROUP_ID, 0).clear();
    g_pSysInfoManage->SaveTaskList(MANUAL_GROUP_ID, 0);
}

} // namespace

void CViewState::OnBtnManualBackup()
{
    if (m_bManual) {
        if (ShowConfirmMsgBox(tr("Confirm"), tr("Sure to stop backup?"), this) != 1)
            return;
        StopManualBackup();
        WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_MANUAL, tr("Stop Manual BackUp"));
        m_bManual = false;
        UpdateButtonStyle();
        SetCurrentPage(2);
        return;
    }
    if (m_bAuto) {
        if (ShowConfirmMsgBox(tr("Confirm"),
                              tr("Switch to manual backup mode will stop automatic backup, Sure to Switch?"),
                              this) != 1)
            return;
        CDlgManualBackup dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        StopControlThreads(false);
    } else {
        SetCurrentPage(2);
        CDlgManualBackup dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    ShowManualDetail();
    UpdateButtonStyle();
    // A manual run that ended on its own may still be winding down: it goes before its list is emptied.
    StopManualBackup();
    ClearManualTaskList();
    StartManualBackup();
}

void CViewState::StartManualBackup()
{
    // A run still on (or ended but kept) goes first, with its timer.
    StopManualBackup();
    // The kept list names its channels by their places in the record as it stands now.
    m_manualChannels = CurrentManualChannels();
    m_bManualChannelsKnown = true;
    if (!StorageReady())
        return;
    ClearStateTable();
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_MANUAL, tr("Start Manual BackUp"));
    m_pManualTimer = std::make_unique<QTimer>();
    m_pManualBackup = std::make_unique<CManualBackup>();
    const int run = ++m_manualRun;
    // Guarded: a full disk or a reset handled while the busy box runs may stop this run and release both.
    const QPointer<CManualBackup> backup = m_pManualBackup.get();
    const QPointer<QTimer> timer = m_pManualTimer.get();
    CExecuteThread* worker = backup->Worker();
    const bool handOver = g_pSysInfoManage->GetManualBackupInfo()->IsChange == 1;

    connect(worker, &CExecuteThread::StartGroupDownLoad, this, &CViewState::ViewStartGroupDownLoad);
    connect(worker, &CExecuteThread::StartChannelDownLoad, this, &CViewState::ViewStartChannelDownLoad);
    connect(worker, &CExecuteThread::StartFileDownLoad, this, &CViewState::ViewStartFileDownLoad,
            Qt::DirectConnection);
    connect(worker, &CExecuteThread::ChannelDownloadSize, this, &CViewState::ViewChannelDownloadSize);
    connect(worker, &CExecuteThread::GroupDownloadPos, this, &CViewState::ViewGroupDownloadPos);
    connect(worker, &CExecuteThread::SigConnectDeviceFail, this, &CViewState::WriteTableEvent);
    connect(backup, &CManualBackup::SigConnectDeviceFail, this, &CViewState::WriteTableEvent);
    // The end of this run, and only of this run: an end that is still queued when the page stopped the run,
    // or when another run began, does nothing. The run's own end (its list worked through, or nothing to
    // fetch) is reported and hands over to automatic backup when the operator asked for it, whatever it
    // could not back up: the report names that, and the plans must not wait for it.
    m_manualThreadEnd = connect(backup, &QThread::finished, this, [this, run, handOver] {
        if (run != m_manualRun)
            return;
        StopTimer();
        ReportManualEnd();
        if (handOver && m_bManual)
            AutoBackup();
    });
    connect(worker, &CExecuteThread::SignalDiskFull, this, &CViewState::OnDisksFull);
    connect(worker, &CExecuteThread::SignalDiskFailed, this, &CViewState::OnDiskFailed);

    ChaseDialog box(this, QStringLiteral(":/images/Loading.gif"), tr("Search..."), false);
    connect(backup, &CManualBackup::SigGetTaskSuc, &box, &ChaseDialog::OnImmediatelyStopChase);
    backup->start();
    box.exec();

    if (run != m_manualRun || !backup || !timer)
        return;
    m_startTime = QDateTime::currentDateTime();
    connect(timer, &QTimer::timeout, this, &CViewState::ManualDataUpdate);
    timer->start(1000);
}

void CViewState::StopManualBackup()
{
    if (m_pManualBackup) {
        // A run stopped by the page never switches to automatic backup and never ends a later run's timer.
        ++m_manualRun;
        disconnect(m_manualThreadEnd);
        if (m_pManualBackup->isRunning()) {
            m_pManualBackup->Stop();
            m_pManualBackup->wait();
        }
        m_pManualBackup.reset();
    }
    StopTimer();
}

void CViewState::ReportManualEnd()
{
    // Failures show as they happen; the end says once whether the run did what was asked. A chosen channel
    // that could not be searched holds a task without files, which is never done; one whose search found
    // nothing has no task. So every task done means every chosen channel searched and every file stored.
    QStringList missing;
    {
        QMutexLocker lock(&g_pSysInfoManage->TaskMutex(MANUAL_GROUP_ID, 0));
        for (const TASK_INFO& task : g_pSysInfoManage->TaskList(MANUAL_GROUP_ID, 0)) {
            if (task.DownloadState == DOWNLOAD_DONE)
                continue;
            const QString name = g_pSysInfoManage->GetChannelName(MANUAL_GROUP_ID, task.CameraIndex);
            missing << (name.isEmpty() ? tr("channel %1").arg(task.CameraIndex + 1) : name);
        }
    }
    if (missing.isEmpty()) {
        const QString text = tr("Manual BackUp Completed");
        WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_MANUAL, text);
        WriteTableEvent(MANUAL_GROUP_ID, 0, -1, text);
        return;
    }
    const QString text =
        tr("Manual BackUp ended without these channels: ") + missing.join(QStringLiteral(", "));
    WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_STOP_MANUAL, text);
    WriteTableEvent(MANUAL_GROUP_ID, 0, -1, text);
}

void CViewState::StopTimer()
{
    if (!m_pManualTimer)
        return;
    m_pManualTimer->stop();
    m_pManualTimer.reset();
}

void CViewState::ManualDataUpdate()
{
    m_curTime = QDateTime::currentDateTime();
    m_nElapsed = int(m_startTime.secsTo(m_curTime));
    ui.label_mtime->setText(QTime(0, 0).addSecs(m_nElapsed).toString(QStringLiteral("hh:mm:ss")));
}

void CViewState::RecreateStorage()
{
    // A new set-up replaces a retry still waiting: it is tried now, and reported anew if it fails.
    EndStorageWait();
    const int code = CreateStorage(DiskFullCallBack);
    NET_DVR_Cleanup();
    NET_DVR_Init();
    if (code == 0 && GetStoweline()) {
        ReportStorageBack();
        return;
    }
    if (code == 0)
        return;
    ShowInfoMsgBox(tr("Information"), StorageErrorText(code), this);
    // Armed once the box is answered, so that no retry runs inside the set-up that failed.
    WaitForStorage(false);
}

bool CViewState::StorageReady()
{
    if (GetStoweline())
        return true;
    // A worker without storage would log in to every recorder about once a second for its whole window to
    // fail each download, and would store nothing when the disk appears.
    WaitForStorage(true);
    return false;
}

void CViewState::WaitForStorage(bool starting)
{
    if (!m_storageRetryAt.isValid()) {
        m_storageRetryMs = kFirstStorageRetryMs;
        m_storageRetryAt = EngineNow().addMSecs(m_storageRetryMs);
        ArmStorageRetry();
    }
    if (!starting || m_bStorageWaitShown)
        return;
    m_bStorageWaitShown = true;
    const QString text = tr("Backups wait for the record disk. ") + StorageFailureCause();
    // No disk chosen yet is how a new station starts, not a fault: it is the disk setting's information. A
    // chosen disk that is not there or refuses the set-up is an exception.
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    if (config.Disk[0] == '\0')
        WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, text);
    else
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, text);
    WriteTableEvent(m_bManual ? MANUAL_GROUP_ID : -1, 0, -1, text);
}

void CViewState::ArmStorageRetry()
{
    // Looks again at least once a second: the clock may be set forward meanwhile.
    const qint64 left = EngineNow().msecsTo(m_storageRetryAt);
    m_pStorageRetry->start(int(std::clamp<qint64>(left, 0, 1000)));
}

void CViewState::EndStorageWait()
{
    m_pStorageRetry->stop();
    m_storageRetryAt = QDateTime();
    m_storageRetryMs = 0;
}

void CViewState::ReportStorageBack()
{
    // Said once after a wait that was said, while a mode is on; a later wait is said again.
    if (!m_bStorageWaitShown)
        return;
    m_bStorageWaitShown = false;
    if (!m_bAuto && !m_bManual)
        return;
    const QString text = tr("The record disks are ready; the backups go on.");
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, text);
    WriteTableEvent(m_bManual ? MANUAL_GROUP_ID : -1, 0, -1, text);
}

void CViewState::CheckStorageRetry()
{
    if (!m_storageRetryAt.isValid())
        return;
    if (EngineNow() < m_storageRetryAt) {
        ArmStorageRetry();
        return;
    }
    RetryStorage();
}

void CViewState::RetryStorage()
{
    if (CreateStorage(DiskFullCallBack) != 0 || !GetStoweline()) {
        m_storageRetryMs = std::clamp(m_storageRetryMs * 2, kFirstStorageRetryMs, kLastStorageRetryMs);
        m_storageRetryAt = EngineNow().addMSecs(m_storageRetryMs);
        ArmStorageRetry();
        return;
    }
    EndStorageWait();
    NET_DVR_Cleanup();
    NET_DVR_Init();
    ReportStorageBack();
    // The running mode goes on where the wait held it.
    if (m_bAuto)
        StartControlThreads();
    else if (m_bManual)
        StartManualBackup();
}

void CViewState::ResetLocal()
{
    if (m_bAuto) {
        StopControlThreads(true);
        StopExecuteThreads(true);
        RecreateStorage();
        CreateExecuteThreads();
        CreateControlThreads();
        ResetDayTotals();
        StartControlThreads();
    } else if (m_bManual) {
        StopManualBackup();
        WaitForPlanWorkers();
        RecreateStorage();
        StartManualBackup();
    } else {
        WaitForPlanWorkers();
        RecreateStorage();
    }
}

void CViewState::PauseManualBackup()
{
    if (m_bManual)
        StopManualBackup();
}

void CViewState::ResetManualBackup()
{
    if (!m_bManual)
        return;
    StopManualBackup();
    // The channels left the record and the rest closed up: the kept list follows each task's own channel to
    // its new place (a task of a channel gone goes too) before anything fetches from it again. A change the
    // model refused left the record as it was, and the list stays as it is.
    if (m_bManualChannelsKnown)
        RemapManualTaskList(m_manualChannels);
    ShowManualDetail();
    StartManualBackup();
}
