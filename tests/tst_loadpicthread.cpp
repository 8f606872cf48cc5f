// The channel snapshot loader against simulated recorders on loopback, a real database and real picture files
// under the test's program directory. The engine clock is scaled, so the loader's one-second pauses cost
// milliseconds.

#include "engine/LoadPicThread.h"
#include "model/Utility.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <memory>

class TestLoadPicThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unreachableRecorderTriedOnceAndPathsStored();
    void existingPictureKeptAcrossRestart();
    void refusedDefaultSizeRetriedAtStreamSize();
    void recordersOnOneAddressKeepTheirOwnPictures();
    void requestAfterStopRunsWithTheQueued();
    void destructorDropsQueuedRequests();
};

namespace {

// A fresh database and model with simulated recorders, the engine clock scaled: the loader's one-second
// pauses cost milliseconds.
class CScene : public CEngineFixture
{
public:
    explicit CScene(int answerMs = 3000) : CEngineFixture(QDateTime::currentDateTime())
    {
        NET_DVR_SetTimeouts(2000, answerMs);
    }
    // Starts a recorder and adds it under the name; null on failure. Its call log starts empty.
    CRecorderSim* Add(const char* name, const SimRecorderConfig& config = SimRecorderConfig())
    {
        const int index = AddDevice(config, name);
        return index < 0 ? nullptr : &Recorder(index);
    }
    DEVICE_INFO& Device(const char* name)
    {
        return *Model().GetDeviceInfo(Model().GetDeviceIndexByName(name));
    }
    bool WaitForIdle() { return Recorders().WaitForIdle(); }
};

QString PicturePath(const DEVICE_INFO& device, int channel)
{
    return QString::fromStdString(GetCurExeDir()) +
           QStringLiteral("ChannelPicture/127.0.0.1_%1_%2.jpg").arg(device.Port).arg(channel - 1);
}

// The loader ends by itself once its list has run empty.
bool WaitForLoader(CLoadPicThread& loader)
{
    return loader.wait(QDeadlineTimer(20000));
}

bool IsJpeg(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == QByteArray("\xFF\xD8", 2);
}

} // namespace

void TestLoadPicThread::unreachableRecorderTriedOnceAndPathsStored()
{
    CScene scene;
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.IpChannels = 2;
    CRecorderSim* sim = scene.Add("Gate", config);
    QVERIFY(sim != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate"); // slot 2 holds IP channel 33
    sim->SetLoginRefusals(-1);

    {
        CLoadPicThread loader;
        // An analog and an IP channel: the IP channel's path belongs to the slot of channel 33, not slot 33.
        QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
        QVERIFY(loader.AddLoadTask("Gate", gate.Camera[2]));
        QVERIFY(WaitForLoader(loader));
    }

    QCOMPARE(sim->Calls(QStringLiteral("login")).size(), 1);
    QVERIFY(sim->Calls(QStringLiteral("capture")).isEmpty());
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[0].PicPath), PicturePath(gate, 1));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[2].PicPath), PicturePath(gate, 33));
    QCOMPARE(gate.Camera[1].PicPath[0], '\0');
    QCOMPARE(gate.Camera[3].PicPath[0], '\0');
    QVERIFY(!QFile::exists(PicturePath(gate, 1)));
}

void TestLoadPicThread::existingPictureKeptAcrossRestart()
{
    CScene scene;
    CRecorderSim* sim = scene.Add("Gate");
    QVERIFY(sim != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");

    // A picture of channel 2 from an earlier run.
    MakeDirs(PicturePath(gate, 2).toLocal8Bit().constData());
    {
        QFile old(PicturePath(gate, 2));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }

    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[1]));
    QVERIFY(WaitForLoader(loader));
    QVERIFY(IsJpeg(PicturePath(gate, 1)));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[1].PicPath), PicturePath(gate, 2));

    // The run has ended; the next request starts it again and finds the picture taken.
    gate.Camera[0].PicPath[0] = '\0';
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    QVERIFY(WaitForLoader(loader));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[0].PicPath), PicturePath(gate, 1));

    const QList<SimCall> captures = sim->Calls(QStringLiteral("capture"));
    QCOMPARE(captures.size(), 1);
    QCOMPARE(captures[0].Channel, 1);
    QCOMPARE(sim->Calls(QStringLiteral("login")).size(), 3);
    QFile old(PicturePath(gate, 2));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier"));
    QVERIFY(scene.WaitForIdle());
}

void TestLoadPicThread::refusedDefaultSizeRetriedAtStreamSize()
{
    CScene scene;
    SimRecorderConfig config;
    config.AnalogChannels = 3;
    const uint8_t resolutions[3] = {19, 28, 99}; // the last has no picture size
    SimChannelFaults refuse;
    refuse.RefuseCaptureSize0 = true;
    for (int channel = 1; channel <= 3; ++channel) {
        config.Channel(channel).Resolution = resolutions[channel - 1];
        config.Channel(channel).Faults = refuse;
    }
    CRecorderSim* sim = scene.Add("Gate", config);
    QVERIFY(sim != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");

    CLoadPicThread loader;
    for (int slot = 0; slot < 3; ++slot)
        QVERIFY(loader.AddLoadTask("Gate", gate.Camera[slot]));
    QVERIFY(WaitForLoader(loader));

    // Each channel is refused at size 0; channel 1 (resolution 19) is taken at size 5, channel 2 (28) at 10.
    const QList<SimCall> captures = sim->Calls(QStringLiteral("capture"));
    QCOMPARE(captures.size(), 5);
    const int sizes[5] = {0, 5, 0, 10, 0};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(captures[i].Channel, i / 2 + 1);
        QCOMPARE(captures[i].Code, sizes[i]);
        QCOMPARE(captures[i].Ok, sizes[i] != 0);
    }
    QVERIFY(IsJpeg(PicturePath(gate, 1)));
    QVERIFY(IsJpeg(PicturePath(gate, 2)));
    QVERIFY(!QFile::exists(PicturePath(gate, 3)));
    QVERIFY(!QFile::exists(PicturePath(gate, 3) + QStringLiteral(".part")));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[2].PicPath), PicturePath(gate, 3));
    QVERIFY(scene.WaitForIdle());
}

void TestLoadPicThread::recordersOnOneAddressKeepTheirOwnPictures()
{
    // Both simulated recorders answer on 127.0.0.1: named by the address alone, the second recorder's channel
    // 1 would find the first one's picture and never be captured.
    CScene scene;
    CRecorderSim* gateSim = scene.Add("Gate");
    CRecorderSim* yardSim = scene.Add("Yard");
    QVERIFY(gateSim != nullptr && yardSim != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");
    DEVICE_INFO& yard = scene.Device("Yard");

    // Requests naming no known device are passed over without a login or a path.
    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("", gate.Camera[1]));
    QVERIFY(loader.AddLoadTask("Nobody", gate.Camera[1]));
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    QVERIFY(loader.AddLoadTask("Yard", yard.Camera[0]));
    QVERIFY(WaitForLoader(loader));

    QCOMPARE(gateSim->Calls(QStringLiteral("login")).size(), 1);
    QCOMPARE(gate.Camera[1].PicPath[0], '\0');
    QVERIFY(!QFile::exists(PicturePath(gate, 2)));
    QCOMPARE(gateSim->Calls(QStringLiteral("capture")).size(), 1);
    QCOMPARE(yardSim->Calls(QStringLiteral("capture")).size(), 1);
    QVERIFY(PicturePath(gate, 1) != PicturePath(yard, 1));
    QVERIFY(IsJpeg(PicturePath(gate, 1)));
    QVERIFY(IsJpeg(PicturePath(yard, 1)));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[0].PicPath), PicturePath(gate, 1));
    QCOMPARE(QString::fromLocal8Bit(yard.Camera[0].PicPath), PicturePath(yard, 1));
    QCOMPARE(QString::fromStdString(CLoadPicThread::PicturePath(gate.DeviceIP, gate.Port, 1)),
             PicturePath(gate, 1));
    QVERIFY(scene.WaitForIdle());
}

void TestLoadPicThread::requestAfterStopRunsWithTheQueued()
{
    CScene scene;
    QVERIFY(scene.Add("Gate") != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");

    // Whether the stopped run is still ending or gone, the next request is served, and the one left queued.
    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    loader.Stop();
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[1]));
    QVERIFY(WaitForLoader(loader));
    QVERIFY(IsJpeg(PicturePath(gate, 1)));
    QVERIFY(IsJpeg(PicturePath(gate, 2)));
}

void TestLoadPicThread::destructorDropsQueuedRequests()
{
    // The request in hand may be a login to a recorder that never answers; its time-out bounds the close.
    CScene scene(1000);
    CRecorderSim* silent = scene.Add("Silent");
    CRecorderSim* other = scene.Add("Other");
    QVERIFY(silent != nullptr && other != nullptr);
    silent->SetSilent(true);

    auto loader = std::make_unique<CLoadPicThread>();
    QVERIFY(loader->AddLoadTask("Silent", scene.Device("Silent").Camera[0]));
    for (int slot = 0; slot < 4; ++slot)
        QVERIFY(loader->AddLoadTask("Other", scene.Device("Other").Camera[slot]));
    loader.reset();

    QVERIFY(other->Calls(QStringLiteral("login")).isEmpty());
    QVERIFY(other->Calls(QStringLiteral("capture")).isEmpty());
    QCOMPARE(scene.Device("Other").Camera[0].PicPath[0], '\0');
}

VARROW_TEST_MAIN(TestLoadPicThread, QCoreApplication)
#include "tst_loadpicthread.moc"
