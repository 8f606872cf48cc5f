#pragma once

// Downloads one task list: channel by channel, file by file, by play-back by time into the storage layer,
// reporting progress, marking what was stored, reconnecting when a stream breaks, and moving a channel that
// cannot be reached behind the others.

#include "model/EngineClock.h"
#include "model/LogRepeats.h"
#include "model/Records.h"
#include "storage/StowelineRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

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
    // The disks are full (or failed without a cause to name): the text names the full disks and the kept
    // reserve, empty when there is nothing to name. The run has ended.
    void SignalDiskFull(QString disks);
    // The storage refused a record for another cause than room (its disk gone, unwritable, failing): the
    // text names the disk, its folder and the cause. The run has ended as for a full disk.
    void SignalDiskFailed(QString text);

protected:
    void run() override;

private:
    // How a channel's or a file's download ended.
    enum class Outcome
    {
        Done,       // stored
        Failed,     // the channel goes behind the others and is tried again
        Stopped,    // a stop was asked for
        Aborted,    // the disks failed: the run ends as on a stop, nothing is marked stored
        GivenUp,    // a file: it failed alone (reported); the channel goes on with its next file
        Incomplete, // a channel: every file was tried, some were given up; not tried again in this run
    };

    Outcome DownloadChannel(TASK_INFO& task, DEVICE_INFO& device, int* login, int deviceIndex, int channel);
    Outcome DownloadFile(TASK_INFO& task, FILE_INFO& file, DEVICE_INFO& device, int* login, int deviceIndex,
                         int channel, const QString& name);
    bool ReconnectPlayBack(DEVICE_INFO& device, int* login, int* play, int channel, const FILE_INFO& file);
    // Reads the play-back's announced length and sets what the stream is held to.
    void SetBounds(int play, const FILE_INFO& file);
    // Opens the file's record and starts the stream; false when the storage refused the record.
    bool BeginStream(int play, const DEVICE_INFO& device, bool restart);
    // Stops the play-back: once it returns the callback never runs again.
    static void StopPlay(int* play);
    // Stores the record (the bytes held back first); false, with the storage's cause noted, when it could
    // not.
    bool StoreRecord();
    // Gives the record up: nothing of it is kept.
    void DropRecord();
    // Keeps the storage's last failure on the calling thread: its code, and its cause unless it is want of
    // room.
    void NoteStorageFault();
    // Weighs the storage's refusal of the file in work: the disks' fault ends the run (Aborted, reported as a
    // full or failed disk); any other fails the file alone (GivenUp, reported with the file).
    Outcome StorageRefused(int deviceIndex, const QString& name, const FILE_INFO& file);
    // Logs `text` once per cause and recorder, counting repeats (model/LogRepeats). The cause is the text
    // itself unless `cause` names one shared by texts that differ (each file's own), whose repeats are then
    // counted under `countText`.
    void Report(int deviceIndex, const QString& text, const QString& cause = QString(),
                const QString& countText = QString());
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
    // The stream passed its bound: nothing more is written and the file is given up.
    std::atomic<bool> m_overrun{false};
    // What the file in work is held to; set before its stream starts.
    int64_t m_expected = -1;
    int64_t m_announced = -1;
    int64_t m_limit = 0;
    // Bytes past the announced length wait here until the stream has ended within its margin, so a stream
    // that runs over never has room made for it on a full disk. Touched by the callback until the play-back
    // is stopped.
    std::vector<std::pair<uint32_t, QByteArray>> m_heldBack; // data type, bytes
    // The storage's code and, for a disk's failure, its cause; set by whichever thread met the refusal (the
    // data callback before m_writeFailed), read once the refusal is seen.
    int m_storageError = 0;
    QString m_storageFault;
    // For full disks: the disks and the room kept free on them, as the box says it.
    QString m_fullDisks;
    // The storage object the file in work was opened with; kept until that record is closed or given up.
    std::shared_ptr<CStowelineClass> m_storage;
    QByteArray m_recordName;
    CHANNEL_RECORD_KEY m_key;
    QStringList m_skipList;
    // A recorder that refuses the same way at every try is logged once in a run (a plan's window) and then
    // counted, so it never pushes the log's older history out.
    CLogRepeats m_logRepeats;
};
