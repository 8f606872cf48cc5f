// The state page's engine side for the manual backup and the storage: the manual button, the manual backup's
// thread, busy box and elapsed time, and the re-creation of the storage object when the disks or the
// full-disk behaviour change.

#include "pages/state/CViewState.h"

#include "config/pickers/CDlgManualBackup.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
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
    ClearStateTable();
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_MANUAL, tr("Start Manual BackUp"));
    StopManualBackup();
    // The kept list names its channels by their places in the record as it stands now.
    m_manualChannels = CurrentManualChannels();
    m_bManualChannelsKnown = true;
    m_pManualTimer = std::make_unique<QTimer>();
    m_pManualBackup = std::make_unique<CManualBackup>();
    const int run = ++m_manualRun;
    // Guarded: a full disk or a reset handled while the busy box runs may stop this run and release both.
    const QPointer<CManualBackup> backup = m_pManualBackup.get();
    const QPointer<QTimer> timer = m_pManualTimer.get();
    CExecuteThread* worker = backup->Worker();

    // The ends of this run, and only of this run: an end that is still queued when the page stopped the run,
    // or when another run began, does nothing.
    if (g_pSysInfoManage->GetManualBackupInfo()->IsChange == 1) {
        m_manualWorkerEnd = connect(worker, &QThread::finished, this, [this, run] {
            if (run == m_manualRun && m_bManual)
                AutoBackup();
        });
    }
    connect(worker, &CExecuteThread::StartGroupDownLoad, this, &CViewState::ViewStartGroupDownLoad);
    connect(worker, &CExecuteThread::StartChannelDownLoad, this, &CViewState::ViewStartChannelDownLoad);
    connect(worker, &CExecuteThread::StartFileDownLoad, this, &CViewState::ViewStartFileDownLoad,
            Qt::DirectConnection);
    connect(worker, &CExecuteThread::ChannelDownloadSize, this, &CViewState::ViewChannelDownloadSize);
    connect(worker, &CExecuteThread::GroupDownloadPos, this, &CViewState::ViewGroupDownloadPos);
    connect(worker, &CExecuteThread::SigConnectDeviceFail, this, &CViewState::WriteTableEvent);
    connect(backup, &CManualBackup::SigConnectDeviceFail, this, &CViewState::WriteTableEvent);
    m_manualThreadEnd = connect(backup, &QThread::finished, this, [this, run] {
        if (run == m_manualRun) {
            StopTimer();
            ReportManualEnd();
        }
    });
    connect(worker, &CExecuteThread::SignalDiskFull, this, &CViewState::OnDiskFull);
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
        disconnect(m_manualWorkerEnd);
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
    // Failures show as they happen; a run that stored every file of its list says so once at its end, so it
    // never reads as one that only failed.
    bool done = false;
    {
        QMutexLocker lock(&g_pSysInfoManage->TaskMutex(MANUAL_GROUP_ID, 0));
        const QList<TASK_INFO>& list = g_pSysInfoManage->TaskList(MANUAL_GROUP_ID, 0);
        done = !list.isEmpty() && std::all_of(list.cbegin(), list.cend(), [](const TASK_INFO& task) {
            return task.DownloadState == DOWNLOAD_DONE;
        });
    }
    if (!done)
        return;
    const QString text = tr("Manual BackUp Completed");
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_MANUAL, text);
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

bool CViewState::RecreateStorage()
{
    // A new set-up replaces a retry still waiting: it is tried now, and reported anew if it fails.
    m_pStorageRetry->stop();
    m_storageRetryMs = kFirstStorageRetryMs;
    const int code = CreateStorage(DiskFullCallBack);
    NET_DVR_Cleanup();
    NET_DVR_Init();
    if (code == 0)
        return true;
    // Reported once, here; the workers wait for a storage object instead of logging in to every recorder
    // once a second to fail each download, and the set-up is tried again ever less often.
    const QString text = StorageErrorText(code);
    WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, text);
    WriteTableEvent(m_bManual ? MANUAL_GROUP_ID : -1, 0, -1, text);
    ShowInfoMsgBox(tr("Information"), text, this);
    // Armed once the box is answered, so that no retry runs inside the set-up that failed.
    m_pStorageRetry->start(m_storageRetryMs);
    return false;
}

void CViewState::RetryStorage()
{
    if (CreateStorage(DiskFullCallBack) != 0) {
        m_storageRetryMs = std::min(m_storageRetryMs * 2, kLastStorageRetryMs);
        m_pStorageRetry->start(m_storageRetryMs);
        return;
    }
    NET_DVR_Cleanup();
    NET_DVR_Init();
    m_storageRetryMs = kFirstStorageRetryMs;
    // The running mode goes on where the failed set-up left it.
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
        const bool stored = RecreateStorage();
        CreateExecuteThreads();
        CreateControlThreads();
        ResetDayTotals();
        if (stored)
            StartControlThreads();
    } else if (m_bManual) {
        StopManualBackup();
        WaitForPlanWorkers();
        if (RecreateStorage())
            StartManualBackup();
    } else {
        WaitForPlanWorkers();
        RecreateStorage();
    }
}

void CViewState::ResetManualBackup()
{
    if (!m_bManual)
        return;
    StopManualBackup();
    // The channels left the record and the rest closed up: the kept list follows each task's own channel to
    // its new place (a task of a channel gone goes too) before anything fetches from it again.
    if (m_bManualChannelsKnown)
        RemapManualTaskList(m_manualChannels);
    ShowManualDetail();
    StartManualBackup();
}
