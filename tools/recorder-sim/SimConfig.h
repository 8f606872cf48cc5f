#pragma once

// What a simulated recorder is: credentials, channels with their recordings, and the faults it plays.

#include "tools/recorder-sim/SimContent.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// Faults of one channel; a count of -1 means every time.
struct SimChannelFaults
{
    int PlayRefusals = 0; // play-back opens refused
    qint64 DropAfterBytes =
        -1;                   // a play-back's connection is closed once this many bytes were sent (-1 never)
    int DropTimes = 1;        // how many play-backs are dropped that way
    int InjectedPosition = 0; // position answered instead of the real one ...
    int InjectedPositionTimes = 0; // ... this many times
    int InjectedPositionAfter = 0; // ... each play-back answering its first this many position requests truly
    qint64 StallAfterBytes = -1;   // a play-back goes silent (no data, no answers) after this many bytes
    // A play-back sends no data after this many bytes but answers every request, its position left below 100
    // (-1 never): a recorder that neither goes on nor ends.
    qint64 HoldAfterBytes = -1;
    bool RefuseCaptureSize0 = false;
    int SearchBusy = 0;   // "still searching" answers before each search result (-1: only those, for ever)
    int FindRefusals = 0; // searches refused
    std::optional<qint64> ReportedLength; // the play-back's length as answered (negative: as unsigned)
    bool DataBeforeStart = false;         // a stream block goes out ahead of each answer before the start
    int PositionDelayMs = 0;              // each position answer comes this late
    // A play-back sends this many bytes past its range's content (-1: without end, its position stopping at
    // 99), while its announced length and the found size stay those of the content.
    qint64 ExtraBytes = 0;
    int ExtraTimes = -1; // ... for this many play-backs (-1: every one)
};

struct SimChannel
{
    uint8_t Resolution = 19; // main stream resolution code (command 1040)
    QList<SimRecording> Recordings;
    SimChannelFaults Faults;
};

struct SimRecorderConfig
{
    QString Name = QStringLiteral("Recorder");
    QString Address = QStringLiteral("127.0.0.1");
    quint16 Port = 0; // 0: an ephemeral port
    QString User = QStringLiteral("admin");
    QString Password = QStringLiteral("12345");
    quint64 Seed = 1;
    qint64 Rate = 0; // play-back bytes per second, 0 unlimited
    int AnalogChannels = 4;
    int FirstChannel = 1;
    int IpChannels = 0;
    int FirstIpChannel = 33;
    int LoginRefusals = 0;     // -1: always
    int LoginDelayMs = 0;      // each login is answered this late
    bool Silent = false;       // accepts connections and never answers
    int IdleTimeoutMs = 30000; // a connection without a whole request for this long is closed
    int MaxConnections = 64;   // connections beyond these are closed at once
    // The connection that carries this request ("login", "config", "find", "next", "find-close", "capture",
    // "logout", "play-open", "start", "position", "speed", "stop") is closed once the request has arrived,
    // without an answer, this many times (-1: every time).
    QString CloseOn = QString();
    int CloseOnTimes = 1;
    QMap<int, SimChannel> Channels; // by channel number; a valid channel without entry has no recordings

    bool HasChannel(int number) const;
    SimChannel& Channel(int number) { return Channels[number]; }
    SimRecorderConfig& AddRecording(int channel, const QDateTime& start, const QDateTime& stop,
                                    uint8_t fileType, qint64 size);
};

// Bounds a scenario may not pass, so a typing error cannot make the recorder allocate or send without end.
constexpr qint64 kSimMaxRecordingSize = qint64(64) << 30;
constexpr qint64 kSimMaxRate = qint64(10) << 30;
constexpr int kSimMaxDays = 3660;

// Reads a scenario (docs/RECORDER-SIM.md). Daily recordings are laid out for the days up to today.
bool ParseSimScenario(const QByteArray& json, const QDate& today, QList<SimRecorderConfig>* recorders,
                      QString* error);
bool LoadSimScenario(const QString& path, QList<SimRecorderConfig>* recorders, QString* error);
