#include "engine/ControlThread.h"

#include "engine/EngineCommon.h"
#include "engine/TaskWrite.h"
#include "model/EngineClock.h"
#include "model/SysInfoManage.h"

#include <QMutexLocker>

#include <algorithm>
#include <memory>

CControlThread::CControlThread(int group, QObject* parent) : QThread(parent), m_group(group)
{
    RegisterEngineMetaTypes();
}

CControlThread::~CControlThread()
{
    Stop();
    wait();
}

void CControlThread::Start()
{
    if (isRunning()) {
        Stop();
        wait();
    }
    start();
}

void CControlThread::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_writerMutex);
        m_stop.Request();
        if (m_writer != nullptr)
            m_writer->stop();
    }
    Q_EMIT stopTask();
}

QDateTime LocalTimeOnOrAfter(const QDate& date, const QTime& time)
{
    QDateTime result(date, time);
    // A gap is at most a few hours; its end is on a whole minute.
    QTime probe(time.hour(), time.minute());
    for (int minutes = 1; !result.isValid() && minutes <= 24 * 60; ++minutes) {
        probe = probe.addSecs(60);
        if (probe < time)
            return QDateTime(date.addDays(1), QTime(0, 0));
        result = QDateTime(date, probe);
    }
    return result;
}

void CControlThread::SlotConnectDeviceFail(int group, int isPast, int device, QString text)
{
    Q_EMIT SigConnectDeviceFail(group, isPast, device, text);
}

bool CControlThread::WaitEvent(qint64 ms)
{
    return !EngineSleep(ms, &m_stop.Event());
}

const SCHEDULE_WEEKDAY* CControlThread::ChooseEntry(int weekday) const
{
    const GROUP_INFO* group = g_pSysInfoManage->GetGroupInfo(m_group);
    if (group == nullptr)
        return nullptr;
    if (group->Schedule[0].IsEanbel == 1)
        return &group->Schedule[0];
    if (weekday >= 1 && weekday <= 7 && group->Schedule[weekday].IsEanbel == 1)
        return &group->Schedule[weekday];
    return nullptr;
}

bool CControlThread::SetWindow(const QDate& day, const SCHEDULE_WEEKDAY& entry)
{
    m_startDateTime = LocalTimeOnOrAfter(
        day, QTime(entry.TaskStartTime.Hour, entry.TaskStartTime.Minute, entry.TaskStartTime.Second));
    m_stopDateTime = m_startDateTime.addSecs(qint64(entry.Duration) * 3600);
    return m_startDateTime <= m_curDateTime && m_curDateTime < m_stopDateTime &&
           m_startDateTime != m_closedStart;
}

void CControlThread::run()
{
    if (!m_stop.BeginRun())
        return;
    struct CEnd
    {
        CThreadStop& stop;
        ~CEnd() { stop.EndRun(); }
    } end{m_stop};
    m_closedStart = QDateTime();
    m_weekday = -1;
    m_startedToday = false;
    m_yesterday = false;
    m_yesterdayCheckedOn = QDate();
    m_overdueActive = false;

    for (;;) {
        if (m_stop.IsSet())
            return;
        m_curDateTime = EngineNow();
        m_weekday = m_curDateTime.date().dayOfWeek();
        m_startDateTime = m_stopDateTime = m_curDateTime;
        const GROUP_INFO* group = g_pSysInfoManage->GetGroupInfo(m_group);
        if (group == nullptr || group->bUsed == 0)
            return;
        if (std::none_of(std::begin(group->Channel), std::end(group->Channel),
                         [](const CHANNEL_REF& ref) { return ref.DeviceID != -1; }))
            return;

        const SCHEDULE_WEEKDAY* entry = ChooseEntry(m_weekday);
        if (entry == nullptr) {
            if (WaitEvent(1000))
                return;
            continue;
        }

        const QDate today = m_curDateTime.date();
        if (SetWindow(today, *entry)) {
            m_yesterday = false;
            if (!CtrlDownload())
                return;
            continue;
        }

        // The overnight window of the day before is considered once a day, before today's window opens.
        if (m_curDateTime < m_startDateTime && m_yesterdayCheckedOn != today) {
            m_yesterday = true;
            m_yesterdayCheckedOn = today;
            const int yesterday = m_weekday - 1 == 0 ? 7 : m_weekday - 1;
            const SCHEDULE_WEEKDAY* before = ChooseEntry(yesterday);
            if (before == nullptr)
                continue;
            if (SetWindow(today.addDays(-1), *before) && !CtrlDownload())
                return;
            continue;
        }

        const QDate remembered = m_curDateTime.date();
        if (WaitEvent(1000))
            return;
        m_curDateTime = EngineNow();
        if (m_curDateTime.date() != remembered && m_startedToday) {
            Q_EMIT SignalDelView(m_group);
            m_startedToday = false;
        }
    }
}

bool CControlThread::BuildTaskList()
{
    auto writer = std::make_unique<CTaskWrite>(m_group, m_yesterday);
    connect(writer.get(), &CTaskWrite::SigConnectDeviceFail, this, &CControlThread::SlotConnectDeviceFail,
            Qt::DirectConnection);
    connect(writer.get(), &QThread::started, this, &CControlThread::StartGetTask, Qt::DirectConnection);
    connect(writer.get(), &QThread::finished, this, &CControlThread::StopGetTask, Qt::DirectConnection);
    {
        // A stop that came before the writer exists is seen here; one that comes later reaches the writer.
        std::lock_guard<std::mutex> lock(m_writerMutex);
        if (m_stop.IsSet())
            return false;
        m_writer = writer.get();
    }
    // Waited for until the window's end at most: a recorder that never finishes its answers must not keep
    // the window open past its time. A stop reaches the writer, whose end wakes this wait.
    CStopEvent ended;
    connect(
        writer.get(), &QThread::finished, writer.get(), [&ended] { ended.Set(); }, Qt::DirectConnection);
    writer->start();
    if (EngineSleep(std::max<qint64>(0, EngineNow().msecsTo(m_stopDateTime)), &ended))
        writer->StopAtWindowEnd();
    writer->wait();
    std::lock_guard<std::mutex> lock(m_writerMutex);
    m_writer = nullptr;
    return !m_stop.IsSet();
}

bool CControlThread::CtrlDownload()
{
    m_startedToday = true;
    CSysInfoManage* model = g_pSysInfoManage;
    QList<TASK_INFO>& current = model->TaskList(m_group, 0);
    QList<TASK_INFO>& overdue = model->TaskList(m_group, 1);
    const QDate windowDate = m_startDateTime.date();
    bool needList = false;
    {
        QMutexLocker currentLock(&model->TaskMutex(m_group, 0));
        QMutexLocker overdueLock(&model->TaskMutex(m_group, 1));
        model->LoadTaskList(m_group);
        if (!overdue.isEmpty() && overdue.first().TaskTime.addDays(1) != windowDate)
            overdue.clear();
        if (!current.isEmpty()) {
            const QDate listDate = current.first().TaskTime;
            if (listDate.addDays(1) == windowDate) {
                overdue = current;
                current.clear();
            } else if (listDate != windowDate) {
                current.clear();
                overdue.clear();
            }
        }
        needList = current.isEmpty();
    }

    const bool built = !needList || BuildTaskList();
    {
        QMutexLocker currentLock(&model->TaskMutex(m_group, 0));
        QMutexLocker overdueLock(&model->TaskMutex(m_group, 1));
        model->SaveTaskList(m_group, 1);
        model->SaveTaskList(m_group, 0);
    }
    if (!built)
        return false;

    m_curDateTime = EngineNow();
    const qint64 secs = m_curDateTime.secsTo(m_stopDateTime);
    if (secs < 0) {
        Q_EMIT StopWork();
        if (m_overdueActive)
            Q_EMIT pastStopWork();
        return true;
    }
    if (!current.isEmpty())
        Q_EMIT StartWork();
    if (!overdue.isEmpty())
        m_overdueActive = true;
    if (m_overdueActive)
        Q_EMIT pastStartWork();

    if (WaitEvent(m_curDateTime.msecsTo(m_stopDateTime))) {
        Q_EMIT StopWork();
        if (m_overdueActive)
            Q_EMIT pastStopWork();
        return false;
    }
    CloseBackupWindow();
    m_closedStart = m_startDateTime;
    const qint64 rest = EngineNow().secsTo(m_stopDateTime);
    if (rest > 0)
        WaitEvent((rest + 1) * 1000);
    return !m_stop.IsSet();
}

void CControlThread::CloseBackupWindow()
{
    CSysInfoManage* model = g_pSysInfoManage;
    Q_EMIT StopWork();
    // Taking the list's lock waits until its worker has left it.
    QMutexLocker currentLock(&model->TaskMutex(m_group, 0));
    if (m_overdueActive)
        Q_EMIT pastStopWork();
    QMutexLocker overdueLock(&model->TaskMutex(m_group, 1));
    QList<TASK_INFO>& current = model->TaskList(m_group, 0);
    QList<TASK_INFO>& overdue = model->TaskList(m_group, 1);
    overdue.clear();
    const bool unfinished = std::any_of(current.cbegin(), current.cend(), [](const TASK_INFO& task) {
        return task.DownloadState != DOWNLOAD_DONE;
    });
    if (unfinished)
        overdue = current;
    current.clear();
    model->SaveTaskList(m_group, 1);
    model->SaveTaskList(m_group, 0);
}
