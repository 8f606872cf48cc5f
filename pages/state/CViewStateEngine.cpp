// The state page's engine side for the plans: creating and wiring the 32 plans' threads, the backup modes and
// automatic backup, stopping and restarting plans that the settings rewrote, the "Search..." box, and the
// storage's full-disk callback.

#include "pages/state/CViewState.h"

#include "engine/ControlThread.h"
#include "engine/EngineCommon.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "model/EngineClock.h"
#include "model/LogStore.h"
#include "model/LogText.h"
#include "model/SysInfoManage.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QMutexLocker>
#include <QTimer>

#include <algorithm>
#include <mutex>

std::atomic<CViewState*> g_pViewState{nullptr};
std::atomic<bool> g_bFirstDiskFull{true};

namespace {

// Held by the full-disk callback while it reaches the page, and by the page's end while it lets go of it, so
// the callback never touches a page that is being destroyed.
std::mutex& DiskFullMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool IsPlan(int plan)
{
    return plan >= 0 && plan < MAX_GROUP_NUM;
}

} // namespace

CViewState::CDiskFullLink::~CDiskFullLink()
{
    std::lock_guard lock(DiskFullMutex());
    CViewState* expected = m_page;
    g_pViewState.compare_exchange_strong(expected, nullptr);
}

void CViewState::reject() {}

void CViewState::StartWork()
{
    CreateExecuteThreads();
    CreateControlThreads();
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    const int mode = int16_t(config.BackupMode);
    m_bAuto = mode == 0;
    m_bManual = mode == 1;
    m_bDiskFullHandled = false;
    if (m_bAuto)
        StartControlThreads();
    if (m_bManual)
        ShowManualDetail();
    UpdateButtonStyle();
    if (m_bManual)
        StartManualBackup();
}

void CViewState::OnBtnAutoBackup()
{
    if (m_bAuto) {
        if (ShowConfirmMsgBox(tr("Confirm"), tr("Sure to stop backup?"), this) != 1)
            return;
        StopControlThreads(false);
        m_bAuto = false;
        UpdateButtonStyle();
        SetCurrentPage(2);
    } else if (m_bManual) {
        if (ShowConfirmMsgBox(tr("Confirm"),
                              tr("Switch to automatic backup mode will stop manual backup, Sure to Switch?"),
                              this) != 1)
            return;
        StopManualBackup();
        WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_MANUAL, tr("Stop Manual BackUp"));
        AutoBackup();
    } else {
        AutoBackup();
    }
}

void CViewState::AutoBackup()
{
    m_bManual = false;
    m_bAuto = true;
    m_bDiskFullHandled = false;
    UpdateButtonStyle();
    SetCurrentPage(0);
    ResetDayTotals();
    CreateExecuteThreads();
    CreateControlThreads();
    StartControlThreads();
}

void CViewState::CreateExecuteThreads()
{
    for (int plan = 0; plan < MAX_GROUP_NUM; ++plan) {
        for (int isPast = 0; isPast < 2; ++isPast) {
            std::unique_ptr<CExecuteThread>& slot =
                isPast == 0 ? m_pExecuteThread[plan] : m_pPastExecuteThread[plan];
            if (!slot) {
                slot = std::make_unique<CExecuteThread>(plan, isPast);
                ConnectExecuteThread(slot.get());
            }
            m_dayDownLoad[plan][isPast] = 0;
        }
    }
}

void CViewState::ConnectExecuteThread(CExecuteThread* thread)
{
    connect(thread, &QThread::started, this, &CViewState::IncDownLoadNum);
    connect(thread, &QThread::finished, this, &CViewState::DecDownLoadNum);
    connect(thread, &CExecuteThread::GroupDownloadSize, this, &CViewState::SetDayDownLoad);
    connect(thread, &CExecuteThread::StartGroupDownLoad, this, &CViewState::ViewStartGroupDownLoad);
    connect(thread, &CExecuteThread::StartChannelDownLoad, this, &CViewState::ViewStartChannelDownLoad);
    connect(thread, &CExecuteThread::StartFileDownLoad, this, &CViewState::ViewStartFileDownLoad,
            Qt::DirectConnection);
    connect(thread, &CExecuteThread::ChannelDownloadSize, this, &CViewState::ViewChannelDownloadSize);
    connect(thread, &CExecuteThread::GroupDownloadPos, this, &CViewState::ViewGroupDownloadPos);
    connect(thread, &CExecuteThread::SigConnectDeviceFail, this, &CViewState::WriteTableEvent);
    connect(thread, &CExecuteThread::SignalDiskFull, this, &CViewState::OnDisksFull);
    connect(thread, &CExecuteThread::SignalDiskFailed, this, &CViewState::OnDiskFailed);
}

void CViewState::CreateControlThreads()
{
    // The task writer announces itself on its own thread. Each announcement carries the search round it
    // belongs to, so one that is still queued when the plans start again cannot move the new round's counter.
    const auto inSearchRound = [this](void (CViewState::*slot)()) {
        return [this, slot] {
            const int round = m_searchRound.load();
            QMetaObject::invokeMethod(
                this,
                [this, round, slot] {
                    if (round == m_searchRound.load())
                        (this->*slot)();
                },
                Qt::QueuedConnection);
        };
    };
    for (int plan = 0; plan < MAX_GROUP_NUM; ++plan) {
        if (m_pControlThread[plan])
            continue;
        m_pControlThread[plan] = std::make_unique<CControlThread>(plan);
        CControlThread* control = m_pControlThread[plan].get();
        CExecuteThread* current = m_pExecuteThread[plan].get();
        CExecuteThread* overdue = m_pPastExecuteThread[plan].get();
        // Run on the control thread: a start ends a run of the worker that is still on before it begins anew.
        connect(control, &CControlThread::StartWork, current, &CExecuteThread::Start, Qt::DirectConnection);
        connect(control, &CControlThread::StopWork, current, &CExecuteThread::stop, Qt::DirectConnection);
        connect(control, &CControlThread::pastStartWork, overdue, &CExecuteThread::Start,
                Qt::DirectConnection);
        connect(control, &CControlThread::pastStopWork, overdue, &CExecuteThread::stop, Qt::DirectConnection);
        connect(control, &CControlThread::SigConnectDeviceFail, this, &CViewState::WriteTableEvent);
        connect(control, &CControlThread::StartGetTask, this, inSearchRound(&CViewState::StartSearch),
                Qt::DirectConnection);
        connect(control, &CControlThread::StopGetTask, this, inSearchRound(&CViewState::StopSearch),
                Qt::DirectConnection);
        connect(control, &CControlThread::SignalDelView, this, &CViewState::DelGroupView);
    }
}

void CViewState::WaitForPlanWorkers()
{
    // A worker that still runs uses its plan's lists and the storage object: nothing may start a plan again,
    // empty its lists or replace the storage before it has ended.
    for (int plan = 0; plan < MAX_GROUP_NUM; ++plan) {
        for (CExecuteThread* worker : {m_pExecuteThread[plan].get(), m_pPastExecuteThread[plan].get()}) {
            if (worker == nullptr)
                continue;
            worker->stop();
            worker->wait();
        }
    }
}

void CViewState::StartControlThreads()
{
    if (!StorageReady())
        return;
    // A plan starts again only once its workers of the last run have ended: stopped control threads told them
    // to stop but did not wait, and a worker still ending would race the new run on the plan's lists.
    for (const std::unique_ptr<CControlThread>& control : m_pControlThread) {
        if (control && control->isRunning()) {
            control->Stop();
            control->wait();
        }
    }
    WaitForPlanWorkers();
    ResetSearch();
    m_nAlready = 0;
    m_nOverdueAlready = 0;
    ClearStateTable();
    for (const std::unique_ptr<CControlThread>& control : m_pControlThread)
        if (control)
            control->Start();
}

void CViewState::StopControlThreads(bool remove)
{
    for (std::unique_ptr<CControlThread>& control : m_pControlThread) {
        if (!control)
            continue;
        control->Stop();
        control->wait();
        if (remove)
            control.reset();
    }
}

void CViewState::StopExecuteThreads(bool remove)
{
    for (int plan = 0; plan < MAX_GROUP_NUM; ++plan) {
        for (std::unique_ptr<CExecuteThread>* slot : {&m_pExecuteThread[plan], &m_pPastExecuteThread[plan]}) {
            if (!*slot)
                continue;
            (*slot)->stop();
            (*slot)->wait();
            if (remove)
                slot->reset();
        }
    }
}

void CViewState::ResetSearch()
{
    ++m_searchRound;
    m_nSearchCount = 0;
    if (m_pSearchDialog) {
        // Deleting a box that runs modally ends its run; the StartSearch that shows it then returns.
        disconnect(this, &CViewState::StopChase, m_pSearchDialog, nullptr);
        delete m_pSearchDialog.data();
    }
}

void CViewState::StartSearch()
{
    ++m_nSearchCount;
    if (m_nSearchCount != 1 || m_pSearchDialog)
        return;
    m_pSearchDialog = new ChaseDialog(this, QStringLiteral(":/images/Loading.gif"), tr("Search..."), false);
    connect(this, &CViewState::StopChase, m_pSearchDialog, &ChaseDialog::OnImmediatelyStopChase);
    m_pSearchDialog->exec();
}

void CViewState::StopSearch()
{
    --m_nSearchCount;
    if (m_nSearchCount > 0 || !m_pSearchDialog) {
        m_nSearchCount = std::max(m_nSearchCount, 0);
        return;
    }
    m_nSearchCount = 0;
    Q_EMIT StopChase();
    disconnect(this, &CViewState::StopChase, m_pSearchDialog, nullptr);
    delete m_pSearchDialog.data();
}

std::vector<int> CViewState::StopPlans(const std::vector<int>& requested)
{
    // Only plans whose threads exist: other numbers, and a call before the threads were made, change nothing.
    std::vector<int> plans;
    for (int plan : requested)
        if (IsPlan(plan) && m_pControlThread[plan] && m_pExecuteThread[plan] && m_pPastExecuteThread[plan])
            plans.push_back(plan);
    for (int plan : plans)
        m_pControlThread[plan]->Stop();
    for (int plan : plans) {
        m_pControlThread[plan]->wait();
        for (CExecuteThread* worker : {m_pExecuteThread[plan].get(), m_pPastExecuteThread[plan].get()}) {
            worker->stop();
            worker->wait();
        }
    }
    // No thread uses the lists any more.
    for (int plan : plans) {
        for (int isPast = 0; isPast < 2; ++isPast) {
            g_pSysInfoManage->TaskList(plan, isPast).clear();
            g_pSysInfoManage->SaveTaskList(plan, isPast);
        }
    }
    return plans;
}

void CViewState::StopBackup(std::vector<int> plans)
{
    StopPlans(plans);
}

void CViewState::ResetBackup(std::vector<GROUP_CHANGED> changes)
{
    std::vector<int> requested;
    for (const GROUP_CHANGED& change : changes)
        requested.push_back(change.GroupID);
    const std::vector<int> stopped = StopPlans(requested);
    if (!m_bAuto || stopped.empty())
        return;
    const bool ready = StorageReady();
    for (const GROUP_CHANGED& change : changes) {
        if (std::find(stopped.begin(), stopped.end(), change.GroupID) == stopped.end())
            continue;
        DelARow(change, 0);
        DelARow(change, 1);
        // Without storage the plan starts with the others when the set-up succeeds.
        if (ready)
            m_pControlThread[change.GroupID]->Start();
    }
}

int DiskFullCallBack(int code, int, int, int)
{
    if (code != 1)
        return 1;
    // Named here, on the storage's thread, outside the storage's locks.
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    const QString disks = storage ? FullDisksText(*storage) : QString();
    std::lock_guard lock(DiskFullMutex());
    CViewState* page = g_pViewState.load();
    if (page == nullptr || page->m_bDiskFullReported.load())
        return 1;
    const bool first = g_bFirstDiskFull.load();
    if (!first && page->m_lastDiskFullTime.secsTo(EngineNow()) <= 60)
        return 1;
    page->m_bDiskFullReported = true;
    page->m_fullDisks = disks;
    g_bFirstDiskFull = false;
    // Handled on the page's thread; a page destroyed meanwhile drops the call with its other events.
    QMetaObject::invokeMethod(
        page, [page] { Q_EMIT page->DiskFull(); }, Qt::QueuedConnection);
    return 1;
}

void CViewState::OnDiskFull()
{
    QString disks;
    {
        std::lock_guard lock(DiskFullMutex());
        disks = m_fullDisks;
    }
    OnDisksFull(disks);
}

void CViewState::OnDisksFull(const QString& disks)
{
    StopForDisk(disks.isEmpty() ? tr("The record disks are full")
                                : tr("The record disks are full: ") + disks);
}

void CViewState::OnDiskFailed(const QString& text)
{
    StopForDisk(text);
}

void CViewState::StopForDisk(const QString& reported)
{
    // The disks' folders are named in it, as a disk names them: written out as the log and the event table
    // write them, so that no line of the box is a disk's making.
    const QString text = EscapeControls(reported);
    {
        QMutexLocker lock(&m_diskFullMutex);
        if (m_bDiskFullHandled) {
            lock.unlock();
            // A disk that failed with the first is named in the box still open, once.
            if (m_pDiskBox && !m_diskStopTexts.contains(text)) {
                m_diskStopTexts << text;
                m_pDiskBox->ChangeText(m_diskStopTexts.join(QLatin1Char('\n')));
            }
            // This period's full disk is handled already; the callback may report again later.
            EndDiskFullReport(false);
            return;
        }
        m_bDiskFullHandled = true;
    }
    if (m_bAuto) {
        StopControlThreads(false);
        m_bAuto = false;
        SetCurrentPage(2);
    } else if (m_bManual) {
        StopManualBackup();
        m_bManual = false;
        SetCurrentPage(2);
    }
    UpdateButtonStyle();
    m_diskStopTexts = {text};
    CWarnDlg box(this);
    m_pDiskBox = &box;
    box.ExecInfo(tr("Information"), text);
    m_pDiskBox.clear();
    m_diskStopTexts.clear();
    EndDiskFullReport(true);
}

void CViewState::EndDiskFullReport(bool handled)
{
    std::lock_guard lock(DiskFullMutex());
    if (handled)
        m_lastDiskFullTime = EngineNow();
    m_bDiskFullReported = false;
}
