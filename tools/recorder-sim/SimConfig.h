#pragma once

// What a simulated recorder is: credentials, channels with their recordings, and the faults it plays.

#include "tools/recorder-sim/SimContent.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

// Faults of one channel; a count of -1 means every time.
struct SimChannelFaults
{
    int PlayRefusals = 0; // play-back opens refused
    qint64 DropAfterBytes =
        -1;                   // a play-back's connection is closed once this many bytes were sent (-1 never)
    int DropTimes = 1;        // how many play-backs are dropped that way
    int InjectedPosition = 0; // position answered instead of the real one ...
    int InjectedPositionTimes = 0; // ... this many times
    qint64 StallAfterBytes = -1;   // a play-back goes silent (no data, no answers) after this many bytes
    bool RefuseCaptureSize0 = false;
    int SearchBusy = 0; // "still searching" answers before each search result
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
    int LoginRefusals = 0;          // -1: always
    bool Silent = false;            // accepts connections and never answers
    QMap<int, SimChannel> Channels; // by channel number; a valid channel without entry has no recordings

    bool HasChannel(int number) const;
    SimChannel& Channel(int number) { return Channels[number]; }
    SimRecorderConfig& AddRecording(int channel, const QDateTime& start, const QDateTime& stop,
                                    uint8_t fileType, qint64 size);
};

// Reads a scenario (docs/RECORDER-SIM.md). Daily recordings are laid out for the days up to today.
bool ParseSimScenario(const QByteArray& json, const QDate& today, QList<SimRecorderConfig>* recorders,
                      QString* error);
bool LoadSimScenario(const QString& path, QList<SimRecorderConfig>* recorders, QString* error);
