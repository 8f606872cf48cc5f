#pragma once

// Builds one plan's current task list for one backup window: per channel, the recorder's files of the
// scheduled day, range and kind, cut to that range and measured.

#include "model/Records.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <vector>

struct NET_DVR_FILE_DATA;

class CTaskWrite : public QThread
{
    Q_OBJECT

public:
    CTaskWrite(int group, bool yesterday, QObject* parent = nullptr);
    ~CTaskWrite() override;

    // True when a login failed during the run.
    bool GetResult() const { return m_failed; }
    // Most files one channel's search may list; a recorder that never ends its answer cannot fill memory.
    static constexpr int kMaxFilesPerChannel = 20000;

public Q_SLOTS:
    void stop();

Q_SIGNALS:
    void SigConnectDeviceFail(int group, int isPast, int device, QString text);
    void SigGetTaskSuc();

protected:
    void run() override;

private:
    bool IsStopped() const;
    // Reads every result of an open search; false when stopped or the search broke off.
    bool ReadAllResults(int search, std::vector<NET_DVR_FILE_DATA>* found);
    // The byte length of a play-back of the range, or `fallback` when the recorder cannot tell.
    static int64_t MeasureRange(int login, int channel, const NET_DVR_TIME& start, const NET_DVR_TIME& stop,
                                int64_t fallback);

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_failed{false};
    int m_group;
    bool m_yesterday;
};
