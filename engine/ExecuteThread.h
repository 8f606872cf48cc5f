#pragma once

// Downloads one task list: channel by channel, file by file, by play-back by time into the storage layer,
// reporting progress, marking what was stored, reconnecting when a stream breaks, and moving a channel that
// cannot be reached behind the others.

#include "engine/EngineClock.h"
#include "model/Records.h"
#include "storage/StowelineRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>

class CStowelineClass;

class CExecuteThread : public QThread
{
    Q_OBJECT

public:
    // group 0..31 with isPast 0 (current list) or 1 (overdue list); MANUAL_GROUP_ID for the manual list.
    CExecuteThread(int group, int isPast, QObject* parent = nullptr);
    ~CExecuteThread() override;

    int Group() const { return m_group; }
    int IsPast() const { return m_isPast; }

public Q_SLOTS:
    // Starts a run, after ending one that is still on. QThread::start starts a thread that is not running
    // the same way: a stop never outlives its run.
    void Start();
    // Asks the run to end, also when it has not begun yet; dropped when no run is on.
    void stop();
    void StartThread();

Q_SIGNALS:
    void StartGroupDownLoad(int group, int isPast, long long total);
    void StartChannelDownLoad(int group, int isPast, int slot, long long total);
    void StartFileDownLoad(int group, int isPast, NET_DVR_TIME start, NET_DVR_TIME stop);
    void ChannelDownloadSize(int group, int isPast, long long done);
    void GroupDownloadPos(int group, int isPast, int percent);
    // Megabytes first: the order in which the state page's slot takes them.
    void GroupDownloadSize(int megabytes, int group, int isPast);
    void SigConnectDeviceFail(int group, int isPast, int device, QString text);
    void SignalDiskFull();
    // The storage refused a record for another cause than room (its disk gone, unwritable, failing): the
    // text names the disk, its folder and the cause. The run has ended as for a full disk.
    void SignalDiskFailed(QString text);

protected:
    void run() override;

private:
    // How a channel's or a file's download ended.
    enum class Outcome
    {
        Done,    // stored
        Failed,  // the channel goes behind the others and is tried again
        Stopped, // a stop was asked for
        Aborted, // the storage refused: the run ends as on a stop, nothing is marked stored
    };

    Outcome DownloadChannel(TASK_INFO& task, DEVICE_INFO& device, int* login, int deviceIndex, int channel);
    Outcome DownloadFile(TASK_INFO& task, FILE_INFO& file, DEVICE_INFO& device, int* login, int deviceIndex,
                         int channel, const QString& name);
    bool ReconnectPlayBack(DEVICE_INFO& device, int* login, int* play, int channel, const FILE_INFO& file);
    // Opens the file's record and starts the stream; false when the storage refused the record.
    bool BeginStream(int play, const DEVICE_INFO& device, bool restart);
    void EndStream(int* play, bool keep, bool* stored);
    // Keeps the cause of the storage's last failure on the calling thread, unless it is want of room.
    void NoteStorageFault();
    // Tells the page why the record could not be stored: a full disk, or the disk's fault.
    void ReportStorageRefusal(int deviceIndex);
    void Report(int deviceIndex, const QString& text);
    void EmitProgress();
    int Percent() const;
    bool IsStopped() const { return m_stop.IsSet(); }

    static void PlayDataCallBack(int32_t play, uint32_t dataType, uint8_t* buffer, uint32_t size, void* user);

    CThreadStop m_stop{this};
    const int m_group;
    const int m_isPast;
    long long m_planTotal = 0;
    std::atomic<long long> m_planDone{0};
    long long m_channelTotal = 0;
    std::atomic<long long> m_iChannelDownload{0};
    std::atomic<long long> m_fileDone{0};
    std::atomic<bool> m_writeFailed{false};
    // Why the storage refused the file in work when its disk, not its room, failed; empty otherwise. Set by
    // the data callback before m_writeFailed, and read only once that is seen.
    QString m_storageFault;
    // The storage object the file in work was opened with; kept until that record is closed or given up.
    std::shared_ptr<CStowelineClass> m_storage;
    QByteArray m_recordName;
    CHANNEL_RECORD_KEY m_key;
    QStringList m_skipList;
};
