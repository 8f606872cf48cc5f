// The channel snapshot loader against simulated recorders on loopback, a real database and real picture files
// under the test's program directory. The engine clock is scaled, so the loader's one-second pauses cost
// milliseconds.

#include "engine/LoadPicThread.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <memory>

class TestLoadPicThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void unreachableRecorderTriedOnceAndPathsStored();
    void existingPictureKeptAcrossRestart();
    void refusedDefaultSizeRetriedAtStreamSize();
    void requestsWithoutKnownDevicePassedOver();
    void requestAfterStopRunsWithTheQueued();
    void destructorDropsQueuedRequests();

private:
    std::unique_ptr<CScopedEngineClock> m_clock;
};

namespace {

// A model of the test's own in place of the process's one while the scope lives.
class CModelScope
{
public:
    CModelScope() : m_saved(g_pSysInfoManage) { g_pSysInfoManage = m_model.get(); }
    ~CModelScope() { g_pSysInfoManage = m_saved; }
    CModelScope(const CModelScope&) = delete;
    CModelScope& operator=(const CModelScope&) = delete;

    CSysInfoManage& operator*() { return *m_model; }
    CSysInfoManage* operator->() { return m_model.get(); }

private:
    std::unique_ptr<CSysInfoManage> m_model = std::make_unique<CSysInfoManage>();
    CSysInfoManage* m_saved;
};

bool AddRecorder(CSysInfoManage& model, const CRecorderSim& sim, const char* name)
{
    const int flow = -1;
    return model.AddDevice(sim.AddressBytes().constData(), sim.Port(), "admin", "12345", &flow, name, "",
                           0) == ADD_DEVICE_OK;
}

DEVICE_INFO& Device(CSysInfoManage& model, const char* name)
{
    return *model.GetDeviceInfo(model.GetDeviceIndexByName(name));
}

QString PicturePath(int channel)
{
    return QString::fromStdString(GetCurExeDir()) +
           QStringLiteral("ChannelPicture/127.0.0.1_%1.jpg").arg(channel - 1);
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

void TestLoadPicThread::initTestCase()
{
    m_clock = std::make_unique<CScopedEngineClock>(QDateTime::currentDateTime(), 1000.0);
}

void TestLoadPicThread::cleanupTestCase()
{
    m_clock.reset();
}

void TestLoadPicThread::unreachableRecorderTriedOnceAndPathsStored()
{
    CTempDatabase db;
    CSimRecorders sims;
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.IpChannels = 2;
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim != nullptr);
    CModelScope model;
    QVERIFY(AddRecorder(*model, *sim, "Gate"));
    DEVICE_INFO& gate = Device(*model, "Gate");
    QCOMPARE(gate.CameraNum, int16_t(4));
    QCOMPARE(gate.Camera[2].CameraIndex, int16_t(33));
    sim->SetLoginRefusals(-1);
    sim->ClearCallLog();

    {
        CLoadPicThread loader;
        // An analog and an IP channel: the IP channel's path belongs to the slot of channel 33, not slot 33.
        QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
        QVERIFY(loader.AddLoadTask("Gate", gate.Camera[2]));
        QVERIFY(WaitForLoader(loader));
    }

    QCOMPARE(sim->Calls(QStringLiteral("login")).size(), 1);
    QVERIFY(sim->Calls(QStringLiteral("capture")).isEmpty());
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[0].PicPath), PicturePath(1));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[2].PicPath), PicturePath(33));
    QCOMPARE(gate.Camera[1].PicPath[0], '\0');
    QCOMPARE(gate.Camera[3].PicPath[0], '\0');
    QVERIFY(!QFile::exists(PicturePath(1)));
}

void TestLoadPicThread::existingPictureKeptAcrossRestart()
{
    CTempDatabase db;
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(SimRecorderConfig());
    QVERIFY(sim != nullptr);
    CModelScope model;
    QVERIFY(AddRecorder(*model, *sim, "Gate"));
    DEVICE_INFO& gate = Device(*model, "Gate");
    sim->ClearCallLog();

    // A picture of channel 2 from an earlier run.
    MakeDirs(PicturePath(2).toLocal8Bit().constData());
    {
        QFile old(PicturePath(2));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }

    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[1]));
    QVERIFY(WaitForLoader(loader));
    QVERIFY(IsJpeg(PicturePath(1)));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[1].PicPath), PicturePath(2));

    // The run has ended; the next request starts it again and finds the picture taken.
    gate.Camera[0].PicPath[0] = '\0';
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    QVERIFY(WaitForLoader(loader));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[0].PicPath), PicturePath(1));

    const QList<SimCall> captures = sim->Calls(QStringLiteral("capture"));
    QCOMPARE(captures.size(), 1);
    QCOMPARE(captures[0].Channel, 1);
    QCOMPARE(sim->Calls(QStringLiteral("login")).size(), 3);
    QFile old(PicturePath(2));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier"));
    QVERIFY(sims.WaitForIdle());
}

void TestLoadPicThread::refusedDefaultSizeRetriedAtStreamSize()
{
    CTempDatabase db;
    CSimRecorders sims;
    SimRecorderConfig config;
    config.AnalogChannels = 3;
    const uint8_t resolutions[3] = {19, 28, 99}; // the last has no picture size
    SimChannelFaults refuse;
    refuse.RefuseCaptureSize0 = true;
    for (int channel = 1; channel <= 3; ++channel) {
        config.Channel(channel).Resolution = resolutions[channel - 1];
        config.Channel(channel).Faults = refuse;
    }
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim != nullptr);
    CModelScope model;
    QVERIFY(AddRecorder(*model, *sim, "Gate"));
    DEVICE_INFO& gate = Device(*model, "Gate");
    sim->ClearCallLog();

    CLoadPicThread loader;
    for (int slot = 0; slot < 3; ++slot)
        QVERIFY(loader.AddLoadTask("Gate", gate.Camera[slot]));
    QVERIFY(WaitForLoader(loader));

    const QList<SimCall> captures = sim->Calls(QStringLiteral("capture"));
    QCOMPARE(captures.size(), 5);
    for (int channel = 1; channel <= 2; ++channel) {
        const SimCall& refused = captures[(channel - 1) * 2];
        const SimCall& retried = captures[(channel - 1) * 2 + 1];
        QCOMPARE(refused.Channel, channel);
        QCOMPARE(refused.Code, 0);
        QVERIFY(!refused.Ok);
        QCOMPARE(retried.Channel, channel);
        QCOMPARE(retried.Code, int(CLoadPicThread::ResolutionToPicSize(resolutions[channel - 1])));
        QVERIFY(retried.Ok);
        QVERIFY(IsJpeg(PicturePath(channel)));
    }
    // Resolution 19 takes size 5, resolution 28 size 10.
    QCOMPARE(captures[1].Code, 5);
    QCOMPARE(captures[3].Code, 10);
    QCOMPARE(captures[4].Channel, 3);
    QVERIFY(!captures[4].Ok);
    QVERIFY(!QFile::exists(PicturePath(3)));
    QVERIFY(!QFile::exists(PicturePath(3) + QStringLiteral(".part")));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[2].PicPath), PicturePath(3));
    QVERIFY(sims.WaitForIdle());
}

void TestLoadPicThread::requestsWithoutKnownDevicePassedOver()
{
    CTempDatabase db;
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(SimRecorderConfig());
    QVERIFY(sim != nullptr);
    CModelScope model;
    QVERIFY(AddRecorder(*model, *sim, "Gate"));
    DEVICE_INFO& gate = Device(*model, "Gate");
    sim->ClearCallLog();

    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("", gate.Camera[0]));
    QVERIFY(loader.AddLoadTask(nullptr, gate.Camera[0]));
    QVERIFY(loader.AddLoadTask("Nobody", gate.Camera[0]));
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[1]));
    QVERIFY(WaitForLoader(loader));

    QCOMPARE(sim->Calls(QStringLiteral("login")).size(), 1);
    QCOMPARE(sim->Calls(QStringLiteral("capture")).size(), 1);
    QCOMPARE(gate.Camera[0].PicPath[0], '\0');
    QVERIFY(!QFile::exists(PicturePath(1)));
    QVERIFY(IsJpeg(PicturePath(2)));
}

void TestLoadPicThread::requestAfterStopRunsWithTheQueued()
{
    CTempDatabase db;
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(SimRecorderConfig());
    QVERIFY(sim != nullptr);
    CModelScope model;
    QVERIFY(AddRecorder(*model, *sim, "Gate"));
    DEVICE_INFO& gate = Device(*model, "Gate");

    // Whether the stopped run is still ending or gone, the next request is served, and the one left queued.
    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    loader.Stop();
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[1]));
    QVERIFY(WaitForLoader(loader));
    QVERIFY(IsJpeg(PicturePath(1)));
    QVERIFY(IsJpeg(PicturePath(2)));
}

void TestLoadPicThread::destructorDropsQueuedRequests()
{
    CTempDatabase db;
    // The request in hand is a login to a recorder that never answers; its time-out bounds the close.
    CSimRecorders sims(1000, 1000);
    CRecorderSim* silent = sims.Add(SimRecorderConfig());
    CRecorderSim* other = sims.Add(SimRecorderConfig());
    QVERIFY(silent != nullptr && other != nullptr);
    CModelScope model;
    QVERIFY(AddRecorder(*model, *silent, "Silent"));
    QVERIFY(AddRecorder(*model, *other, "Other"));
    silent->SetSilent(true);
    other->ClearCallLog();

    auto loader = std::make_unique<CLoadPicThread>();
    QVERIFY(loader->AddLoadTask("Silent", Device(*model, "Silent").Camera[0]));
    for (int slot = 0; slot < 4; ++slot)
        QVERIFY(loader->AddLoadTask("Other", Device(*model, "Other").Camera[slot]));
    loader.reset();

    QVERIFY(other->Calls(QStringLiteral("login")).isEmpty());
    QVERIFY(other->Calls(QStringLiteral("capture")).isEmpty());
    QCOMPARE(Device(*model, "Other").Camera[0].PicPath[0], '\0');
}

VARROW_TEST_MAIN(TestLoadPicThread, QCoreApplication)
#include "tst_loadpicthread.moc"
