#pragma once

// The scheduler of one backup plan: once a second it looks at the plan's schedule; while the daily window is
// open it prepares the plan's current and overdue lists, has them built and fetched, and at the window's end
// keeps what is unfinished for one more window on the next day.

#include <QDateTime>
#include <QString>
#include <QThread>

#include "model/EngineClock.h"

#include <mutex>

class CTaskWrite;
struct SCHEDULE_WEEKDAY;

class CControlThread : public QThread
{
    Q_OBJECT

public:
    explicit CControlThread(int group, QObject* parent = nullptr);
    ~CControlThread() override;

    int Group() const { return m_group; }
    // Starts a run (after ending one still on); QThread::start does the same for a thread that is not
    // running.
    void Start();
    // Ends every wait of the run at once, and a task writer's run with it; never carried over to a later run.
    void Stop();

public Q_SLOTS:
    void SlotConnectDeviceFail(int group, int isPast, int device, QString text);

Q_SIGNALS:
    void StartWork();
    void StopWork();
    void pastStartWork();
    void pastStopWork();
    void stopTask();
    void StartGetTask();
    void StopGetTask();
    void SigConnectDeviceFail(int group, int isPast, int device, QString text);
    void SignalDelView(int group);

protected:
    void run() override;

private:
    // Runs one open window; false when a stop came.
    bool CtrlDownload();
    void CloseBackupWindow();
    // Builds the current list with a task writer; false when a stop came before or during it.
    bool BuildTaskList();
    // Waits on the stop event; true when a stop came.
    bool WaitEvent(qint64 ms);
    const SCHEDULE_WEEKDAY* ChooseEntry(int weekday) const;
    // Sets the window of `entry` that starts on `day`; true when it is open now and was not closed already.
    bool SetWindow(const QDate& day, const SCHEDULE_WEEKDAY& entry);

    CThreadStop m_stop{this};
    std::mutex m_writerMutex; // guards m_writer against a Stop from the page's thread
    CTaskWrite* m_writer = nullptr;
    const int m_group;
    int m_weekday = -1;
    bool m_startedToday = false;
    bool m_yesterday = false;
    QDate m_yesterdayCheckedOn;
    bool m_overdueActive = false;
    QDateTime m_curDateTime;
    QDateTime m_startDateTime;
    QDateTime m_stopDateTime;
    // The start of the last window closed in this run: a clock that steps back into it must not reopen it.
    QDateTime m_closedStart;
};

// The local time of `time` on `date`, or, when that falls in a daylight-saving gap, the first valid time
// after it.
QDateTime LocalTimeOnOrAfter(const QDate& date, const QTime& time);
