#include "tools/recorder-sim/SimConfig.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool SimRecorderConfig::HasChannel(int number) const
{
    return (number >= FirstChannel && number < FirstChannel + AnalogChannels) ||
           (number >= FirstIpChannel && number < FirstIpChannel + IpChannels);
}

SimRecorderConfig& SimRecorderConfig::AddRecording(int channel, const QDateTime& start, const QDateTime& stop,
                                                   uint8_t fileType, qint64 size)
{
    Channels[channel].Recordings.append(SimRecording{start, stop, fileType, size});
    return *this;
}

namespace {

QDateTime ParseTime(const QString& text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid())
        time = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // Only dates the protocol's and the storage's time fields carry.
    if (!time.isValid() || time.date().year() < 1970 || time.date().year() > 2100)
        return QDateTime();
    return QDateTime(time.date(), time.time(), Qt::UTC);
}

bool ParseRecording(const QJsonObject& o, const QDate& day, SimRecording* r, QString* error)
{
    if (day.isValid()) {
        const QTime start =
            QTime::fromString(o.value(QStringLiteral("start")).toString(), QStringLiteral("HH:mm:ss"));
        const QTime stop =
            QTime::fromString(o.value(QStringLiteral("stop")).toString(), QStringLiteral("HH:mm:ss"));
        r->Start = QDateTime(day, start, Qt::UTC);
        // A daily recording whose stop is not after its start runs past midnight.
        r->Stop = QDateTime(stop > start ? day : day.addDays(1), stop, Qt::UTC);
        if (!start.isValid() || !stop.isValid())
            r->Start = QDateTime();
    } else {
        r->Start = ParseTime(o.value(QStringLiteral("start")).toString());
        r->Stop = ParseTime(o.value(QStringLiteral("stop")).toString());
    }
    if (o.contains(QStringLiteral("listedStop"))) {
        // Any real time, also one before the start: what a recorder's search may claim.
        r->ListedStop = ParseTime(o.value(QStringLiteral("listedStop")).toString());
        if (!r->ListedStop.isValid()) {
            *error = QStringLiteral("a listed stop needs a date and time");
            return false;
        }
    }
    r->FileType = uint8_t(o.value(QStringLiteral("type")).toInt(0));
    r->Size = qint64(o.value(QStringLiteral("size")).toDouble(0));
    if (!r->Start.isValid() || !r->Stop.isValid() || r->Stop <= r->Start) {
        *error = QStringLiteral("a recording needs a start before its stop");
        return false;
    }
    if (r->Size <= 0 || r->Size > kSimMaxRecordingSize) {
        *error = QStringLiteral("a recording needs a size above 0 and at most 64 GiB");
        return false;
    }
    return true;
}

bool ParseFaults(const QJsonObject& o, SimChannelFaults* f)
{
    f->PlayRefusals = o.value(QStringLiteral("playRefusals")).toInt(f->PlayRefusals);
    f->DropAfterBytes = qint64(o.value(QStringLiteral("dropAfterBytes")).toDouble(double(f->DropAfterBytes)));
    f->DropTimes = o.value(QStringLiteral("dropTimes")).toInt(f->DropTimes);
    f->InjectedPosition = o.value(QStringLiteral("injectedPosition")).toInt(f->InjectedPosition);
    f->InjectedPositionTimes =
        o.value(QStringLiteral("injectedPositionTimes")).toInt(f->InjectedPositionTimes);
    f->InjectedPositionAfter =
        o.value(QStringLiteral("injectedPositionAfter")).toInt(f->InjectedPositionAfter);
    f->StallAfterBytes =
        qint64(o.value(QStringLiteral("stallAfterBytes")).toDouble(double(f->StallAfterBytes)));
    f->HoldAfterBytes = qint64(o.value(QStringLiteral("holdAfterBytes")).toDouble(double(f->HoldAfterBytes)));
    f->RefuseCaptureSize0 = o.value(QStringLiteral("refuseCaptureSize0")).toBool(f->RefuseCaptureSize0);
    f->SearchBusy = o.value(QStringLiteral("searchBusy")).toInt(f->SearchBusy);
    f->FindRefusals = o.value(QStringLiteral("findRefusals")).toInt(f->FindRefusals);
    if (o.contains(QStringLiteral("reportedLength")))
        f->ReportedLength = qint64(o.value(QStringLiteral("reportedLength")).toDouble());
    f->DataBeforeStart = o.value(QStringLiteral("dataBeforeStart")).toBool(f->DataBeforeStart);
    f->PositionDelayMs = o.value(QStringLiteral("positionDelayMs")).toInt(f->PositionDelayMs);
    f->ExtraBytes = qint64(o.value(QStringLiteral("extraBytes")).toDouble(double(f->ExtraBytes)));
    f->ExtraTimes = o.value(QStringLiteral("extraTimes")).toInt(f->ExtraTimes);
    return f->SearchBusy >= -1 && f->SearchBusy <= 1000000 && f->PositionDelayMs >= 0 &&
           f->PositionDelayMs <= 600000 && f->ExtraBytes >= -1 && f->ExtraBytes <= kSimMaxRecordingSize;
}

bool ParseRecorder(const QJsonObject& o, const QDate& today, SimRecorderConfig* c, QString* error)
{
    c->Name = o.value(QStringLiteral("name")).toString(c->Name);
    c->Address = o.value(QStringLiteral("address")).toString(c->Address);
    const int port = o.value(QStringLiteral("port")).toInt(0);
    if (port < 0 || port > 65535) {
        *error = QStringLiteral("port out of range");
        return false;
    }
    c->Port = quint16(port);
    c->User = o.value(QStringLiteral("user")).toString(c->User);
    c->Password = o.value(QStringLiteral("password")).toString(c->Password);
    c->Seed = quint64(o.value(QStringLiteral("seed")).toDouble(double(c->Seed)));
    c->Rate = qint64(o.value(QStringLiteral("rate")).toDouble(0));
    c->AnalogChannels = o.value(QStringLiteral("analogChannels")).toInt(c->AnalogChannels);
    c->FirstChannel = o.value(QStringLiteral("firstChannel")).toInt(c->FirstChannel);
    c->IpChannels = o.value(QStringLiteral("ipChannels")).toInt(c->IpChannels);
    c->FirstIpChannel = o.value(QStringLiteral("firstIpChannel")).toInt(c->FirstIpChannel);
    c->LoginRefusals = o.value(QStringLiteral("loginRefusals")).toInt(0);
    c->Silent = o.value(QStringLiteral("silent")).toBool(false);
    c->LoginDelayMs = o.value(QStringLiteral("loginDelayMs")).toInt(0);
    c->IdleTimeoutMs = o.value(QStringLiteral("idleTimeoutMs")).toInt(c->IdleTimeoutMs);
    c->MaxConnections = o.value(QStringLiteral("maxConnections")).toInt(c->MaxConnections);
    c->CloseOn = o.value(QStringLiteral("closeOn")).toString();
    c->CloseOnTimes = o.value(QStringLiteral("closeOnTimes")).toInt(1);
    if (c->AnalogChannels < 0 || c->AnalogChannels > 255 || c->FirstChannel < 0 || c->FirstChannel > 255 ||
        c->IpChannels < 0 || c->IpChannels > 64 || c->FirstIpChannel < 0 || c->Rate < 0 ||
        c->Rate > kSimMaxRate || c->LoginDelayMs < 0 || c->LoginDelayMs > 600000 || c->IdleTimeoutMs < 100 ||
        c->MaxConnections < 1 || c->MaxConnections > 1024) {
        *error = QStringLiteral("channel counts, rate, delays or connection limits out of range");
        return false;
    }
    for (const QJsonValue& value : o.value(QStringLiteral("channels")).toArray()) {
        const QJsonObject ch = value.toObject();
        const int number = ch.value(QStringLiteral("number")).toInt(-1);
        if (!c->HasChannel(number)) {
            *error = QStringLiteral("channel %1 is not one of the recorder's channels").arg(number);
            return false;
        }
        SimChannel& channel = c->Channel(number);
        channel.Resolution = uint8_t(ch.value(QStringLiteral("resolution")).toInt(channel.Resolution));
        if (!ParseFaults(ch.value(QStringLiteral("faults")).toObject(), &channel.Faults)) {
            *error = QStringLiteral("faults of channel %1 out of range").arg(number);
            return false;
        }
        for (const QJsonValue& r : ch.value(QStringLiteral("recordings")).toArray()) {
            SimRecording recording;
            if (!ParseRecording(r.toObject(), QDate(), &recording, error))
                return false;
            channel.Recordings.append(recording);
        }
        const int days = ch.value(QStringLiteral("days")).toInt(0);
        if (days < 0 || days > kSimMaxDays) {
            *error = QStringLiteral("days out of range");
            return false;
        }
        for (int d = days; d >= 0 && ch.contains(QStringLiteral("daily")); --d) {
            for (const QJsonValue& r : ch.value(QStringLiteral("daily")).toArray()) {
                SimRecording recording;
                if (!ParseRecording(r.toObject(), today.addDays(-d), &recording, error))
                    return false;
                channel.Recordings.append(recording);
            }
        }
    }
    return true;
}

} // namespace

bool ParseSimScenario(const QByteArray& json, const QDate& today, QList<SimRecorderConfig>* recorders,
                      QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("not a scenario: %1").arg(parseError.errorString());
        return false;
    }
    const QJsonArray list = document.object().value(QStringLiteral("recorders")).toArray();
    if (list.isEmpty()) {
        *error = QStringLiteral("the scenario lists no recorders");
        return false;
    }
    QList<SimRecorderConfig> result;
    for (const QJsonValue& value : list) {
        SimRecorderConfig config;
        QString why;
        if (!ParseRecorder(value.toObject(), today, &config, &why)) {
            *error = QStringLiteral("recorder %1: %2").arg(result.size() + 1).arg(why);
            return false;
        }
        result.append(config);
    }
    *recorders = result;
    return true;
}

bool LoadSimScenario(const QString& path, QList<SimRecorderConfig>* recorders, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    return ParseSimScenario(file.readAll(), QDate::currentDate(), recorders, error);
}
