#pragma once

// Builds one plan's current task list for one backup window: per channel, the recorder's files of the
// scheduled day, range and kind, cut to that range and measured.

#include "model/EngineClock.h"
#include "model/Records.h"

#include <QString>
#include <QThread>

#include <atomic>

class CTaskWrite : public QThread
{
    Q_OBJECT

public:
    CTaskWrite(int group, bool yesterday, QObject* parent = nullptr);
    ~CTaskWrite() override;

    // True when a login failed during the run.
    bool GetResult() const { return m_failed; }

    // The window ends: the run ends as on a stop, but keeps the tasks of the channels it listed whole, so
    // they get their turn (as the next day's overdue list) instead of the day being lost.
    void StopAtWindowEnd();

public Q_SLOTS:
    void stop();

Q_SIGNALS:
    void SigConnectDeviceFail(int group, int isPast, int device, QString text);
    void SigGetTaskSuc();

protected:
    void run() override;

private:
    bool IsStopped() const;

    // Ends the run, as for a stop, with what it has listed so far kept or dropped.
    void EndRun(QList<TASK_INFO>& list);

    CStopEvent m_stop;
    std::atomic<bool> m_windowEnded{false};
    std::atomic<bool> m_failed{false};
    int m_group;
    bool m_yesterday;
};
