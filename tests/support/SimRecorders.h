#pragma once

// Simulated recorders for a test: each starts on an ephemeral loopback port and stops with the fixture, and
// the device layer is initialised with short time-outs while the fixture lives.

#include "sdk/DeviceSdk.h"
#include "tools/recorder-sim/RecorderSim.h"

#include <memory>
#include <vector>

class CSimRecorders
{
public:
    // Time-outs of the device layer while the fixture lives (connect, each answer), in milliseconds.
    explicit CSimRecorders(int connectMs = 2000, int answerMs = 3000);
    ~CSimRecorders();
    CSimRecorders(const CSimRecorders&) = delete;
    CSimRecorders& operator=(const CSimRecorders&) = delete;

    // Starts a recorder (its port is always ephemeral, its address 127.0.0.1); null when it could not start.
    CRecorderSim* Add(SimRecorderConfig config);
    CRecorderSim& operator[](size_t i) { return *m_recorders.at(i); }
    size_t Size() const { return m_recorders.size(); }

    // True when every recorder is idle within the time (no session, search or play-back open).
    bool WaitForIdle(int timeoutMs = 3000) const;

    // A recorder with `channels` analog channels (from 1), each with one recording per entry of `sizes`: the
    // n-th runs from day 08:00 + n hours for one hour, file type n % 3.
    static SimRecorderConfig MakeConfig(int channels, const QList<qint64>& sizes, const QDate& day,
                                        quint64 seed = 1);

private:
    std::vector<std::unique_ptr<CRecorderSim>> m_recorders;
};

NET_DVR_TIME SdkTime(int year, int month, int day, int hour, int minute, int second);
