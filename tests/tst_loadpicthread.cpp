// The channel snapshot loader against simulated recorders on loopback, a real database and real picture files
// under the test's program directory. The engine clock is scaled, so the loader's one-second pauses cost
// milliseconds.

#include "engine/LoadPicThread.h"
#include "model/Utility.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/RecordingClock.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

class TestLoadPicThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unreachableRecorderTriedOnceAndPathsStored();
    void picturesKeptAcrossStopsRunsAndRecorders();
    void refusedDefaultSizeRetriedAtStreamSize();
    void destructorDropsQueuedRequests();
    void pictureSizeOfEachResolution_data();
    void pictureSizeOfEachResolution();
    void picturePathFitsTheCameraRecord();
};

namespace {

class CScene : public CEngineFixture
{
public:
    CScene() : CEngineFixture(QDateTime(QDate(2024, 5, 1), QTime(12, 0))) {}
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
};

QString PicturePath(const DEVICE_INFO& device, int channel)
{
    return QString::fromStdString(GetCurExeDir()) +
           QStringLiteral("ChannelPicture/127.0.0.1_%1_%2.jpg").arg(device.Port).arg(channel - 1);
}

// Queues the device's camera slots, then waits for the loader, which ends by itself once its list ran empty.
bool Load(CLoadPicThread& loader, const char* name, DEVICE_INFO& device, const QList<int>& cameras)
{
    for (int slot : cameras)
        if (!loader.AddLoadTask(name, device.Camera[slot]))
            return false;
    return loader.wait(QDeadlineTimer(20000));
}

bool IsJpeg(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == QByteArray("\xFF\xD8", 2);
}

// What was written in a folder while it lived: "written <name>" for each file closed after writing, "named
// <name>" for each renamed into it.
class CWriteWatch
{
public:
    explicit CWriteWatch(const QString& dir) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(m_fd, QFile::encodeName(dir).constData(), IN_CLOSE_WRITE | IN_MOVED_TO);
    }
    ~CWriteWatch() { ::close(m_fd); }
    CWriteWatch(const CWriteWatch&) = delete;
    CWriteWatch& operator=(const CWriteWatch&) = delete;

    QStringList Events()
    {
        alignas(inotify_event) char buffer[8192];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                m_events << (event->mask & IN_MOVED_TO ? "named " : "written ") +
                                QString::fromLocal8Bit(event->name);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        return m_events;
    }

private:
    int m_fd;
    QStringList m_events;
};

} // namespace

void TestLoadPicThread::unreachableRecorderTriedOnceAndPathsStored()
{
    CScene scene;
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.IpChannels = 2;
    CRecorderSim* sim = scene.Add("Gate", config);
    QVERIFY(sim != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");
    sim->SetLoginRefusals(-1);
    {
        // An analog and an IP channel: the IP channel's path belongs to its slot 2 (channel 33), not slot 33.
        // The run lingers one second after its list ran empty, then ends.
        CScopedRecordingClock clock;
        CLoadPicThread loader;
        clock.Clock().Watch(&loader);
        QVERIFY(Load(loader, "Gate", gate, {0, 2}));
        QCOMPARE(clock.Clock().Sleeps(), QList<qint64>{1000});
    }
    QCOMPARE(sim->Calls(QStringLiteral("login")).size(), 1);
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[0].PicPath), PicturePath(gate, 1));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[2].PicPath), PicturePath(gate, 33));
    QVERIFY(!QFile::exists(PicturePath(gate, 1)));
}

void TestLoadPicThread::picturesKeptAcrossStopsRunsAndRecorders()
{
    // Both recorders answer on 127.0.0.1: named by the address alone, Yard's channel 1 would find Gate's
    // picture and never be captured.
    CScene scene;
    CRecorderSim* gateSim = scene.Add("Gate");
    CRecorderSim* yardSim = scene.Add("Yard");
    QVERIFY(gateSim != nullptr && yardSim != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");
    DEVICE_INFO& yard = scene.Device("Yard");
    // A picture of Gate's channel 2 from an earlier run.
    MakeDirs(PicturePath(gate, 2).toLocal8Bit().constData());
    QFile old(PicturePath(gate, 2));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier") == 7);
    old.close();

    // Whether a stopped run is still ending or gone, the next request is served, and the one left queued;
    // a run that ended with its list starts again at the next request.
    CLoadPicThread loader;
    QVERIFY(loader.AddLoadTask("Gate", gate.Camera[0]));
    loader.Stop();
    QVERIFY(Load(loader, "Gate", gate, {1}));
    QVERIFY(Load(loader, "Yard", yard, {0}));
    QVERIFY(IsJpeg(PicturePath(gate, 1)) && IsJpeg(PicturePath(yard, 1)));
    QCOMPARE(QString::fromLocal8Bit(yard.Camera[0].PicPath), PicturePath(yard, 1));
    QCOMPARE(QString::fromLocal8Bit(gate.Camera[1].PicPath), PicturePath(gate, 2));
    QCOMPARE(gateSim->Calls(QStringLiteral("capture")).size(), 1);
    QCOMPARE(yardSim->Calls(QStringLiteral("capture")).size(), 1);
    // A picture shows what a camera sees, as private as its recordings: the folder an earlier run left open
    // to others is closed, and each new picture is its owner's alone.
    const auto mode = [](const QString& path) {
        struct stat st;
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    QCOMPARE(mode(QFileInfo(PicturePath(gate, 1)).path()), 0700);
    QCOMPARE(mode(PicturePath(gate, 1)), 0600);
    QCOMPARE(mode(PicturePath(yard, 1)), 0600);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier"));
    QVERIFY(scene.Recorders().WaitForIdle());
}

void TestLoadPicThread::refusedDefaultSizeRetriedAtStreamSize()
{
    CScene scene;
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    for (int channel = 1; channel <= 2; ++channel)
        config.Channel(channel).Faults.RefuseCaptureSize0 = true;
    config.Channel(2).Resolution = 99; // no picture size for it
    QVERIFY(scene.Add("Gate", config) != nullptr);
    DEVICE_INFO& gate = scene.Device("Gate");
    // The picture is written under another name and renamed: a chooser never shows half of it.
    MakeDirs(PicturePath(gate, 1).toLocal8Bit().constData());
    CWriteWatch watch(QFileInfo(PicturePath(gate, 1)).path());
    CLoadPicThread loader;
    QVERIFY(Load(loader, "Gate", gate, {0, 1}));
    QVERIFY(IsJpeg(PicturePath(gate, 1)));
    const QString name = QFileInfo(PicturePath(gate, 1)).fileName();
    QCOMPARE(watch.Events(), (QStringList{"written " + name + ".part", "named " + name}));
    QVERIFY(!QFile::exists(PicturePath(gate, 2)));
    QVERIFY(!QFile::exists(PicturePath(gate, 2) + QStringLiteral(".part")));
    QVERIFY(scene.Recorders().WaitForIdle());
}

void TestLoadPicThread::destructorDropsQueuedRequests()
{
    // The request in hand may be a login to a recorder that never answers; its time-out bounds the close.
    CScene scene;
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
    QCOMPARE(scene.Device("Other").Camera[0].PicPath[0], '\0');
}

void TestLoadPicThread::pictureSizeOfEachResolution_data()
{
    // The picture size asked for after a refusal at the default size: every resolution of the table, and
    // the codes beside it, which have none.
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("size");
    const int table[][2] = {{1, 0},  {2, 1},  {3, 2},   {16, 6},  {17, 3},  {18, 4},  {19, 5},
                            {20, 7}, {21, 8}, {27, 9},  {28, 10}, {29, 11}, {30, 12}, {31, 13},
                            {0, -1}, {4, -1}, {15, -1}, {22, -1}, {26, -1}, {32, -1}, {255, -1}};
    for (const auto& row : table)
        QTest::newRow(qPrintable(QString::number(row[0])))
            << row[0] << (row[1] < 0 ? int(CLoadPicThread::NO_PIC_SIZE) : row[1]);
}

void TestLoadPicThread::pictureSizeOfEachResolution()
{
    QFETCH(int, resolution);
    QFETCH(int, size);
    QCOMPARE(int(CLoadPicThread::ResolutionToPicSize(resolution)), size);
}

void TestLoadPicThread::picturePathFitsTheCameraRecord()
{
    // The camera record holds a path of 255 bytes and its zero: one byte more and no path is given, rather
    // than a cut one that names another file.
    const std::string prefix = GetCurExeDir() + "ChannelPicture/";
    const std::string suffix = "_8000_0.jpg";
    const size_t fits = sizeof(CAMERA_INFO::PicPath) - 1 - prefix.size() - suffix.size();
    QCOMPARE(sizeof(CAMERA_INFO::PicPath), size_t(256));
    const std::string longest(fits, 'a');
    QCOMPARE(CLoadPicThread::PicturePath(longest, 8000, 1), prefix + longest + suffix);
    QVERIFY(CLoadPicThread::PicturePath(longest + "a", 8000, 1).empty());
}

VARROW_TEST_MAIN(TestLoadPicThread, QCoreApplication)
#include "tst_loadpicthread.moc"
