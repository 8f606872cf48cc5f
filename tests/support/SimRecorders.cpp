#include "tests/support/SimRecorders.h"

#include <QElapsedTimer>

CSimRecorders::CSimRecorders(int connectMs, int answerMs)
{
    NET_DVR_Init();
    NET_DVR_SetTimeouts(uint32_t(connectMs), uint32_t(answerMs));
}

CSimRecorders::~CSimRecorders() = default;

CRecorderSim* CSimRecorders::Add(SimRecorderConfig config)
{
    config.Address = QStringLiteral("127.0.0.1");
    config.Port = 0;
    auto recorder = std::make_unique<CRecorderSim>(std::move(config));
    if (!recorder->Start())
        return nullptr;
    m_recorders.push_back(std::move(recorder));
    return m_recorders.back().get();
}

bool CSimRecorders::WaitForIdle(int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    for (const auto& recorder : m_recorders)
        if (!recorder->WaitForIdle(int(std::max<qint64>(0, timeoutMs - timer.elapsed()))))
            return false;
    return true;
}

SimRecorderConfig CSimRecorders::MakeConfig(int channels, const QList<qint64>& sizes, const QDate& day,
                                            quint64 seed)
{
    SimRecorderConfig config;
    config.AnalogChannels = channels;
    config.Seed = seed;
    for (int channel = 1; channel <= channels; ++channel) {
        for (int n = 0; n < sizes.size(); ++n) {
            const QDateTime start(day, QTime(8 + n, 0), Qt::UTC);
            config.AddRecording(channel, start, start.addSecs(3600), uint8_t(n % 3), sizes[n]);
        }
    }
    return config;
}

NET_DVR_TIME SdkTime(int year, int month, int day, int hour, int minute, int second)
{
    return {uint32_t(year), uint32_t(month),  uint32_t(day),
            uint32_t(hour), uint32_t(minute), uint32_t(second)};
}
