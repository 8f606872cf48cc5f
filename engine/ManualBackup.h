#pragma once

// Runs the one manual backup: builds the manual task list from the manual plan when none is left, saves it,
// and has its own execute thread fetch it.

#include <QString>
#include <QThread>

#include "engine/EngineClock.h"

#include <memory>
#include <mutex>

class CExecuteThread;

class CManualBackup : public QThread
{
    Q_OBJECT

public:
    explicit CManualBackup(QObject* parent = nullptr);
    ~CManualBackup() override;

    // The worker, for wiring its progress signals.
    CExecuteThread* Worker() const { return m_worker.get(); }
    // Ends the build or the download; never lost, whenever it comes.
    void Stop();

Q_SIGNALS:
    void SigConnectDeviceFail(int group, int isPast, int device, QString text);
    void SigGetTaskSuc();

protected:
    void run() override;

private:
    bool GetTaskList();

    std::unique_ptr<CExecuteThread> m_worker;
    CStopEvent m_stop;
    std::mutex m_startMutex; // orders the worker's start against a Stop
    const int m_group;
};
