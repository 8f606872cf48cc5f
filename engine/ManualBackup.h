#pragma once

// Runs the one manual backup: builds the manual task list from the manual plan when none is left, saves it,
// and has its own execute thread fetch it.

#include <QString>
#include <QThread>

#include "model/EngineClock.h"
#include "model/Records.h"

#include <array>
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

// The manual record's channels, as the kept manual list's tasks name them by position.
using MANUAL_CHANNELS = std::array<CHANNEL_REF, MAX_GROUP_CHANNEL_NUM>;
MANUAL_CHANNELS CurrentManualChannels();

// After the manual record's channel list changed: each task of the kept manual list moves to the place its
// recorder and channel (as `before` held them) now have, and a task whose channel left the list goes, so no
// task is ever fetched from, or marked done for, another channel. No manual thread may run. Saves the list;
// the number of tasks dropped.
int RemapManualTaskList(const MANUAL_CHANNELS& before);
