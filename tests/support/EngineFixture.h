#pragma once

// Everything an engine scenario runs on: a fresh database and model (the process's model object points at it
// while the fixture lives), simulated recorders, a storage disk with a quota, and a scaled engine clock
// pinned to a date and time.

#include "model/SysInfoManage.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"

#include <QTemporaryDir>

#include <memory>

// A plan's list as the database holds it, as a restart would load it.
QList<TASK_INFO> StoredTasks(int group, int isPast = 0);
// How many of the listed files are marked downloaded.
int DoneFiles(const QList<TASK_INFO>& list);

class CEngineFixture
{
public:
    // `scale`: clock time per real time; the default turns a one-second wait into a millisecond.
    explicit CEngineFixture(const QDateTime& now, double scale = 1000.0);
    ~CEngineFixture();
    CEngineFixture(const CEngineFixture&) = delete;
    CEngineFixture& operator=(const CEngineFixture&) = delete;

    CSysInfoManage& Model() { return *m_model; }
    CSimRecorders& Recorders() { return m_recorders; }
    CScaledClock& Clock() { return m_clock.Clock(); }
    QString DiskPath() const { return m_disk.path(); }

    // Creates the storage object over the fixture's disk; the quota counts the storage's own reserve out. Its
    // full-disk calls are counted in DiskFullCalls, from 0 at the fixture's start.
    int SetUpStorage(int diskMode = 0, qint64 quotaBytes = -1);

    // Starts a recorder and registers it in the model; the device's slot index, -1 on failure.
    int AddDevice(const SimRecorderConfig& config, const char* name, int flowCtrl = -1);
    CRecorderSim& Recorder(int deviceIndex);
    // An enabled entry from 18:00 for six hours: a window that a test's engine clock opens in the evening.
    static SCHEDULE_WEEKDAY Evening();
    // A plan in `index` holding the channels (device slot, channel number), with its whole-week entry.
    bool AddPlan(int index, std::initializer_list<CHANNEL_REF> channels, const SCHEDULE_WEEKDAY& entry);
    // The manual backup of the whole day `day`, all file types, over the channels.
    void SetManual(const QDate& day, std::initializer_list<CHANNEL_REF> channels, int isChange = 0);
    // One task per channel reference of the plan (or of the manual plan) with every recording of that channel
    // on the recorder as one file.
    TASK_INFO TaskOf(int group, int position, const QDate& day);

    // The stored copy of a file of the channel, empty when there is none; and whether it equals what the
    // recorder's play-back of that range delivers, byte for byte.
    QStringList StoredFiles(int deviceIndex, int channel) const;
    bool StoredCopyMatches(int deviceIndex, int channel, const NET_DVR_TIME& start,
                           const NET_DVR_TIME& stop) const;

    // Rows of the log whose text begins with `prefix`.
    static int LogRows(const QString& prefix);

private:
    CTempDatabase m_db;
    CSysInfoManage* m_previous;
    std::unique_ptr<CSysInfoManage> m_model;
    CSimRecorders m_recorders;
    QMap<int, CRecorderSim*> m_byDevice;
    CScopedEngineClock m_clock;
    QTemporaryDir m_disk;
    CQuotaRoots m_quota;
};
