// The engine against a recorder that lies or breaks, on the simulator, the real storage and database and a
// scaled clock: a stream longer than announced, or without end; a refusal of the storage that is not the
// disks'; a file whose times are no range; lengths no file has; "still searching" without end; every month's
// last day. What is at stake: another recorder's records deleted for an overrun, every plan stopped for one
// bad file, totals that wrap and copies that never finish, a window that never closes, December lost.

#include "engine/ControlThread.h"
#include "engine/EngineCommon.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "engine/TaskWrite.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/PlanThreads.h"
#include "tests/support/TestSupport.h"

#include "storage/CreateStorage.h"

#include <algorithm>
#include <QFile>
#include <QSignalSpy>

#include <atomic>
#include <climits>
#include <limits>
#include <mutex>

namespace {

using TestSupport::Bound;

const QDate kDay(2024, 5, 1);
// A plan's default entry fetches the day before: kDay.
const QDateTime kNow(kDay.addDays(1), QTime(12, 0));
constexpr int kPlan = 5;

QDateTime At(int h, int m = 0, int s = 0, const QDate& day = kDay)
{
    return QDateTime(day, QTime(h, m, s));
}

NET_DVR_TIME Time(const QDateTime& time)
{
    return SimTime(time);
}

// The recorder's record folder name of a channel, as the engine names it.
QByteArray RecordName(const CRecorderSim& sim, int channel)
{
    return "127.0.0.1_" + QByteArray::number(sim.Port()) + '_' + QByteArray::number(channel);
}

CHANNEL_RECORD_KEY KeyOf(const FILE_INFO& file)
{
    const auto key = [](const NET_DVR_TIME& t) {
        STOWELINE_TIME s;
        s.Year = uint16_t(t.Year);
        s.Month = uint8_t(t.Month);
        s.Day = uint8_t(t.Day);
        s.Hour = uint8_t(t.Hour);
        s.Minute = uint8_t(t.Minute);
        s.Second = uint8_t(t.Second);
        return s;
    };
    CHANNEL_RECORD_KEY result;
    result.StartTime = key(file.FileStartTime);
    result.StopTime = key(file.FileStopTime);
    result.FileType = file.FileType;
    return result;
}

// A record of another recorder, stored before the run: the oldest on the disk, the first an overwrite takes.
const char* const kOlderName = "10.0.0.9_8000_1";
bool StoreOlder(qint64 size)
{
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    CHANNEL_RECORD_KEY key;
    key.StartTime = {2024, 4, 1, 8, 0, 0, 0};
    key.StopTime = {2024, 4, 1, 9, 0, 0, 0};
    const QByteArray bytes(qsizetype(size), 'o');
    return storage && storage->OpenChannelRecord(kOlderName, 0, &key) &&
           storage->WriteChannelRecord(kOlderName, 2, reinterpret_cast<const uint8_t*>(bytes.constData()),
                                       uint32_t(bytes.size()), &key) &&
           storage->CloseChannelRecord(kOlderName, &key);
}

int OlderRecords(CEngineFixture& f)
{
    return int(FilesUnder(CStowelineClass::RecordRootOf(f.DiskPath()) + QLatin1Char('/') +
                          CStowelineClass::EncodeRecordName(kOlderName))
                   .size());
}

// The texts a thread reported to the page, gathered on the thread that sent them.
class CReports
{
public:
    template <typename T> explicit CReports(T* sender)
    {
        QObject::connect(
            sender, &T::SigConnectDeviceFail, sender,
            [this](int, int, int, const QString& text) {
                std::lock_guard lock(m_mutex);
                m_texts << text;
            },
            Qt::DirectConnection);
    }
    int Count(const QString& prefix) const
    {
        std::lock_guard lock(m_mutex);
        return int(std::count_if(m_texts.cbegin(), m_texts.cend(),
                                 [&prefix](const QString& text) { return text.startsWith(prefix); }));
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_texts;
};

// Recorder "Gate" with the storage and plan kPlan over its channels 1 .. channels; its device slot, -1 on
// failure.
int Gate(CEngineFixture& f, const SimRecorderConfig& config, int channels, int diskMode = 0,
         qint64 quota = -1, const SCHEDULE_WEEKDAY& entry = {})
{
    const int device = f.AddDevice(config, "Gate");
    if (device < 0 || f.SetUpStorage(diskMode, quota) != 0)
        return -1;
    CHANNEL_REF refs[4];
    for (int i = 0; i < channels && i < 4; ++i)
        refs[i] = {int16_t(device), int16_t(i + 1)};
    const std::initializer_list<CHANNEL_REF> all{refs[0], refs[1], refs[2], refs[3]};
    if (!f.AddPlan(kPlan, all, entry))
        return -1;
    return device;
}

// The plan's current list of kDay's files, one task per channel, in the model and the database.
bool LoadList(CEngineFixture& f, int channels)
{
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    list.clear();
    for (int p = 0; p < channels; ++p)
        list.append(f.TaskOf(kPlan, p, kDay));
    return f.Model().SaveTaskList(kPlan, 0);
}

} // namespace

class TestEngineLies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void overrunIsGivenUpAndDeletesNothing_data();
    void overrunIsGivenUpAndDeletesNothing();
    void overrunOfEveryFileIsOneCountedCause();
    void storageRefusalsWeighed_data();
    void storageRefusalsWeighed();
    void fileWithoutARangeFailsAlone_data();
    void fileWithoutARangeFailsAlone();
    void measuredLengthsNeverWrap_data();
    void measuredLengthsNeverWrap();
    void storedTotalsSaturate();
    void percentOfTotals_data();
    void percentOfTotals();
    void sumsOfSizes_data();
    void sumsOfSizes();
    void everyStorageRefusalWeighed_data();
    void everyStorageRefusalWeighed();
    void stillSearchingHasAnEnd();
    void filesOfAChannelBounded();
    void listBuildEndsWithItsWindow();
    void totalsCountWhatIsFetched();
    void everyMonthThroughAManualBackup();
};

void TestEngineLies::overrunIsGivenUpAndDeletesNothing_data()
{
    // Channel 1 plays the liar (2 MiB) and then a clean file; channel 2 a clean file. `extra`: bytes the liar
    // sends past its content (-1 without end); `announced`: the length its play-back claims (-1: the true
    // one); `listedMore`: bytes its list entry holds above its content.
    QTest::addColumn<qint64>("extra");
    QTest::addColumn<qint64>("announced");
    QTest::addColumn<qint64>("listedMore");
    QTest::addColumn<bool>("givenUp");
    const qint64 margin = 256 * 1024; // what a stream may pass its announced length by
    QTest::newRow("surplus of the margin") << margin << qint64(-1) << qint64(0) << false;
    QTest::newRow("one byte past the margin") << margin + 1 << qint64(-1) << qint64(0) << true;
    QTest::newRow("stream without end") << qint64(-1) << qint64(-1) << qint64(0) << true;
    // An announced length that ends inside a stream block, so the bytes past it arrive with the block.
    QTest::newRow("announces 900000 bytes, sends 2 MiB") << qint64(0) << qint64(900000) << qint64(0) << true;
    // A play-back without a length is bounded by the list, and not held to it: its end is the recorder's.
    QTest::newRow("no length, listed 4 KiB more") << qint64(0) << qint64(0) << qint64(4096) << false;
    QTest::newRow("no length, one byte past the list's margin")
        << margin + 1 << qint64(0) << qint64(0) << true;
}

void TestEngineLies::overrunIsGivenUpAndDeletesNothing()
{
    QFETCH(qint64, extra);
    QFETCH(qint64, announced);
    QFETCH(qint64, listedMore);
    QFETCH(bool, givenUp);
    CEngineFixture f(kNow);
    const qint64 liarSize = 2 << 20, cleanSize = 10000, olderSize = 300000;
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.AddRecording(1, At(8), At(9), 0, liarSize).AddRecording(1, At(9), At(10), 0, cleanSize);
    config.AddRecording(2, At(8), At(9), 0, cleanSize);
    SimChannelFaults faults;
    faults.ExtraBytes = extra;
    faults.ExtraTimes = 1; // the liar's play-back only
    if (announced >= 0)
        faults.ReportedLength = announced;
    config.Channel(1).Faults = faults;
    // Overwrite mode, and room for the older record, what the liar announced and the clean files, and a
    // quarter of the margin: a surplus written as it comes would have the older record deleted for it.
    const qint64 margin = 256 * 1024;
    const qint64 expected = announced > 0 ? announced : liarSize + kSimHeaderBlockSize;
    const qint64 room = olderSize + expected + 2 * (cleanSize + kSimHeaderBlockSize) + margin / 4;
    const int device = Gate(f, config, 2, 0, room);
    QVERIFY(device >= 0 && StoreOlder(olderSize) && LoadList(f, 2));
    TASK_INFO& task = f.Model().TaskList(kPlan, 0)[0];
    task.FileList[0].FileSize += listedMore;
    task.TotalChannelSize += listedMore;
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));
    CRecorderSim& sim = f.Recorder(device);

    CExecuteThread worker(kPlan, 0);
    CReports reports(&worker);
    QSignalSpy full(&worker, &CExecuteThread::SignalDiskFull);
    worker.Start();
    QVERIFY(worker.wait(Bound(20000)));

    const QList<TASK_INFO> stored = StoredTasks(kPlan);
    const FILE_INFO liar = stored[0].FileList[0];
    QCOMPARE(liar.DownloadState, int16_t(givenUp ? DOWNLOAD_NOT_STARTED : DOWNLOAD_DONE));
    QCOMPARE(stored[0].FileList[1].DownloadState, int16_t(DOWNLOAD_DONE));
    QCOMPARE(stored[0].DownloadState, int16_t(givenUp ? DOWNLOAD_NOT_STARTED : DOWNLOAD_DONE));
    QCOMPARE(stored[1].DownloadState, int16_t(DOWNLOAD_DONE));
    // Asked once: a liar is not given another go in the same run.
    QCOMPARE(sim.Calls(QStringLiteral("play-open")).size(), 3);
    QCOMPARE(reports.Count(QStringLiteral("Download of")), givenUp ? 1 : 0);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Download of")), givenUp ? 1 : 0);
    QCOMPARE(full.size(), 0);
    // The clean files are whole; of the liar nothing is kept, not even a partial file, and nothing was
    // deleted to make room for it.
    QVERIFY(f.StoredCopyMatches(device, 1, Time(At(9)), Time(At(10))));
    QVERIFY(f.StoredCopyMatches(device, 2, Time(At(8)), Time(At(9))));
    const QStringList files = FilesUnder(CStowelineClass::RecordRootOf(f.DiskPath()));
    if (givenUp) {
        QCOMPARE(files.size(), 3); // the older record and the two clean files
        QCOMPARE(f.StoredFiles(device, 1).size(), 1);
        QCOMPARE(OlderRecords(f), 1);
    } else {
        // Stored as it came, its surplus included.
        QCOMPARE(f.StoredFiles(device, 1).size(), 2);
        QCOMPARE(QFileInfo(f.StoredFiles(device, 1).value(0)).size(),
                 liarSize + kSimHeaderBlockSize + std::max<qint64>(extra, 0));
    }
    QVERIFY(f.Recorders().WaitForIdle());
}

// A recorder that sends more than it announced for every file: each file is given up and said to the page,
// while the log takes one entry and one counted row for it, as for any other repeated cause.
void TestEngineLies::overrunOfEveryFileIsOneCountedCause()
{
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.AddRecording(1, At(8), At(9), 0, 10000).AddRecording(1, At(9), At(10), 0, 10000);
    config.AddRecording(2, At(8), At(9), 0, 10000).AddRecording(2, At(9), At(10), 0, 10000);
    for (int channel : {1, 2}) {
        config.Channel(channel).Faults.ExtraBytes = 256 * 1024 + 1; // past the margin, every play-back
        config.Channel(channel).Faults.ExtraTimes = -1;
    }
    const int device = Gate(f, config, 2);
    QVERIFY(device >= 0 && LoadList(f, 2));

    CExecuteThread worker(kPlan, 0);
    CReports reports(&worker);
    worker.Start();
    QVERIFY(worker.wait(Bound(20000)));

    QCOMPARE(reports.Count(QStringLiteral("Download of")), 4);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Download of")), 1);
    QCOMPARE(CEngineFixture::LogRows(
                 QStringLiteral("Repeated 3 times: Downloads from Gate given up: the recorder sent more than "
                                "it announced")),
             1);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Repeated")), 1);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineLies::storageRefusalsWeighed_data()
{
    // Three files (channel 1: two, channel 2: one). Only room, and a disk gone or refusing files, end the
    // run; any other refusal fails its file alone and the run goes on.
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("storedFiles");
    QTest::addColumn<int>("fileEntries"); // "Download of ..." entries, one per file given up
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<bool>("diskFailed");
    QTest::newRow("first record open in another job") << "open" << 2 << 1 << false << false;
    QTest::newRow("too many records open") << "many" << 0 << 3 << false << false;
    // The disk itself takes files (its probe file is written): each record's own failure, not the disk's.
    QTest::newRow("write fails with EIO on a disk that takes files") << "eio" << 0 << 3 << false << false;
    QTest::newRow("no room in stop mode") << "full" << 0 << 0 << true << false;
}

void TestEngineLies::storageRefusalsWeighed()
{
    QFETCH(QString, refusal);
    QFETCH(int, storedFiles);
    QFETCH(int, fileEntries);
    QFETCH(bool, diskFull);
    QFETCH(bool, diskFailed);
    CEngineFixture f(kNow);
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, {20000}, kDay, 3);
    config.AddRecording(1, At(12), At(13), 0, 20000);
    const int device = Gate(f, config, 2, refusal == "full" ? 1 : 0, refusal == "full" ? 0 : -1);
    QVERIFY(device >= 0 && LoadList(f, 2));
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    const FILE_INFO first = f.Model().TaskList(kPlan, 0)[0].FileList[0];
    const CHANNEL_RECORD_KEY firstKey = KeyOf(first);
    const QByteArray firstName = RecordName(f.Recorder(device), 1);
    QList<CHANNEL_RECORD_KEY> held;
    if (refusal == "open") {
        QVERIFY(storage->OpenChannelRecord(firstName.constData(), 0, &firstKey));
        held << firstKey;
    } else if (refusal == "many") {
        for (int i = 0; i < 64; ++i) {
            CHANNEL_RECORD_KEY key;
            key.StartTime = {2024, 4, 1, uint8_t(i / 60), uint8_t(i % 60), 0, 0};
            key.StopTime = {2024, 4, 1, 23, 0, 0, 0};
            QVERIFY(storage->OpenChannelRecord(kOlderName, 0, &key));
            held << key;
        }
    } else if (refusal == "eio") {
        storage->SetWriteFault([](const QString&) { return EIO; });
    }

    CExecuteThread worker(kPlan, 0);
    CReports reports(&worker);
    QSignalSpy full(&worker, &CExecuteThread::SignalDiskFull);
    QSignalSpy failed(&worker, &CExecuteThread::SignalDiskFailed);
    worker.Start();
    QVERIFY(worker.wait(Bound(20000)));
    for (const CHANNEL_RECORD_KEY& key : held)
        storage->AbortChannelRecord(refusal == "open" ? firstName.constData() : kOlderName, &key);

    QCOMPARE(full.size(), diskFull ? 1 : 0);
    QCOMPARE(failed.size(), diskFailed ? 1 : 0);
    QCOMPARE(reports.Count(QStringLiteral("Download of")), fileEntries);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Download of")), fileEntries);
    QCOMPARE(DoneFiles(StoredTasks(kPlan)), storedFiles);
    QCOMPARE(f.StoredFiles(device, 1).size() + f.StoredFiles(device, 2).size(), storedFiles);
    if (refusal == "open") {
        // The file refused alone: the channel's next file and the next channel were fetched.
        QVERIFY(f.StoredCopyMatches(device, 1, Time(At(12)), Time(At(13))));
        QVERIFY(f.StoredCopyMatches(device, 2, first.FileStartTime, first.FileStopTime));
        QCOMPARE(StoredTasks(kPlan)[0].FileList[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
    }
    // Every file was asked for once when it failed alone; the run ended at the first when the disk failed.
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("play-open")).size(),
             fileEntries + storedFiles > 0 ? 3 : 1);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineLies::fileWithoutARangeFailsAlone_data()
{
    // The channel's recordings, in start order; those from `firstBad` to `lastBad` are listed with a stop an
    // hour before their start (a clock stepped back), or equal to it. A bad file first, last, alone, and so
    // many that only the first ten are named.
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstBad");
    QTest::addColumn<int>("lastBad");
    QTest::addColumn<bool>("equalStop");
    QTest::newRow("first of three") << 3 << 0 << 0 << false;
    QTest::newRow("last of three, stop equal to start") << 3 << 2 << 2 << true;
    QTest::newRow("alone") << 1 << 0 << 0 << false;
    QTest::newRow("twelve of fourteen") << 14 << 2 << 13 << false;
}

void TestEngineLies::fileWithoutARangeFailsAlone()
{
    QFETCH(int, count);
    QFETCH(int, firstBad);
    QFETCH(int, lastBad);
    QFETCH(bool, equalStop);
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    QList<QDateTime> good;
    for (int n = 0; n < count; ++n) {
        config.AddRecording(1, At(8 + n), At(9 + n), 0, 30000);
        if (n < firstBad || n > lastBad)
            good << At(8 + n);
        else
            config.Channel(1).Recordings[n].ListedStop = equalStop ? At(8 + n) : At(7 + n);
    }
    const int device = Gate(f, config, 1);
    QVERIFY(device >= 0);

    CTaskWrite writer(kPlan, false);
    CReports reports(&writer);
    writer.start();
    QVERIFY(writer.wait(Bound(20000)));
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    const int named = std::min(lastBad - firstBad + 1, 10);
    QCOMPARE(reports.Count(QStringLiteral("File of Gate")), named);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("File of Gate")), named);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("2 more files of Gate")), count == 14 ? 1 : 0);
    QCOMPARE(list.size(), good.isEmpty() ? 0 : 1);
    if (good.isEmpty())
        return;
    QList<QDateTime> starts;
    for (const FILE_INFO& file : list[0].FileList)
        starts << FromSdkTime(file.FileStartTime);
    QCOMPARE(starts, good);

    // A list stored before such files were refused: the worker gives the bad one up alone, too.
    FILE_INFO backwards = list[0].FileList[0];
    backwards.FileStartTime = Time(At(20));
    backwards.FileStopTime = Time(At(19));
    list[0].FileList.insert(1, backwards);
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));
    CExecuteThread worker(kPlan, 0);
    CReports workerReports(&worker);
    worker.Start();
    QVERIFY(worker.wait(Bound(20000)));
    QCOMPARE(workerReports.Count(QStringLiteral("File of Gate")), 1);
    QCOMPARE(DoneFiles(StoredTasks(kPlan)), good.size());
    for (const QDateTime& start : good)
        QVERIFY(f.StoredCopyMatches(device, 1, Time(start), Time(start.addSecs(3600))));
    QCOMPARE(StoredTasks(kPlan)[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("play-open")).size(), good.size());
}

void TestEngineLies::measuredLengthsNeverWrap_data()
{
    // The length every play-back of the channel claims. The manual backup's range cuts both its files, so
    // both are measured: a claim above the found size is no measure.
    QTest::addColumn<qint64>("claimed");
    QTest::newRow("2^63 - 1") << std::numeric_limits<qint64>::max();
    QTest::newRow("2^64 - 1") << qint64(-1);
    QTest::newRow("6 GiB, above the found size") << (qint64(6) << 30);
}

void TestEngineLies::measuredLengthsNeverWrap()
{
    QFETCH(qint64, claimed);
    CEngineFixture f(kNow);
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {360000, 360000}, kDay, 4);
    config.Channel(1).Faults.ReportedLength = claimed;
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0 && f.SetUpStorage() == 0);
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = Time(At(8, 30));
    manual.FileEndTime = Time(At(9, 30));
    manual.FileType = 0;
    manual.Channel[0] = {int16_t(device), 1};
    f.Model().SetManualBackupInfo(&manual);

    // The list is saved before its worker starts; the worker (whose copies come out short of the found
    // sizes) is stopped once it is.
    CManualBackup backup;
    std::atomic<bool> built{false};
    QObject::connect(
        &backup, &CManualBackup::SigGetTaskSuc, &backup, [&built] { built = true; }, Qt::DirectConnection);
    backup.start();
    TRY_VERIFY(built, Bound(20000));
    backup.Stop();
    QVERIFY(backup.wait(Bound(20000)));
    const QList<TASK_INFO> stored = StoredTasks(MANUAL_GROUP_ID);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].FileList.size(), 2);
    for (const FILE_INFO& file : stored[0].FileList)
        QCOMPARE(file.FileSize, qint64(360000 + kSimHeaderBlockSize));
    QCOMPARE(stored[0].TotalChannelSize, qint64(2 * (360000 + kSimHeaderBlockSize)));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineLies::storedTotalsSaturate()
{
    // A list whose totals no sum of 64-bit sizes holds (a list stored by an older version, or edited): the
    // plan's total stops at the largest value, never wraps negative, and every figure sent stays in range.
    CEngineFixture f(kNow);
    const int device = Gate(f, CSimRecorders::MakeConfig(2, {20000}, kDay, 6), 2);
    QVERIFY(device >= 0 && LoadList(f, 2));
    for (TASK_INFO& task : f.Model().TaskList(kPlan, 0))
        task.TotalChannelSize = std::numeric_limits<qint64>::max() / 2 + 1;
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));
    CExecuteThread worker(kPlan, 0);
    QSignalSpy group(&worker, &CExecuteThread::StartGroupDownLoad);
    QSignalSpy percent(&worker, &CExecuteThread::GroupDownloadPos);
    QSignalSpy megabytes(&worker, &CExecuteThread::GroupDownloadSize);
    worker.Start();
    QVERIFY(worker.wait(Bound(20000)));
    QCOMPARE(group.size(), 1);
    QCOMPARE(group[0][2].toLongLong(), std::numeric_limits<qint64>::max());
    QVERIFY(!percent.isEmpty() && !megabytes.isEmpty());
    for (const QList<QVariant>& signal : percent)
        QVERIFY(signal[2].toInt() >= 0 && signal[2].toInt() <= 100);
    for (const QList<QVariant>& signal : megabytes)
        QVERIFY(signal[0].toInt() >= 0);
    QCOMPARE(megabytes.last()[0].toInt(), INT_MAX);
    QCOMPARE(DoneFiles(StoredTasks(kPlan)), 2);
}

void TestEngineLies::percentOfTotals_data()
{
    // Done × 100 / total, truncated, kept to 0 .. 100 whatever a stored list or a recorder makes of the
    // sizes; a total of nothing is complete.
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    const qint64 max = std::numeric_limits<qint64>::max();
    QTest::newRow("nothing of nothing") << qint64(0) << qint64(0) << 100;
    QTest::newRow("some of a negative total") << qint64(5) << qint64(-1) << 100;
    QTest::newRow("none of three") << qint64(0) << qint64(3) << 0;
    QTest::newRow("one of three") << qint64(1) << qint64(3) << 33;
    QTest::newRow("two of three") << qint64(2) << qint64(3) << 66;
    QTest::newRow("three of three") << qint64(3) << qint64(3) << 100;
    QTest::newRow("four of three") << qint64(4) << qint64(3) << 100;
    QTest::newRow("taken back below none") << qint64(-7) << qint64(3) << 0;
    QTest::newRow("half of the largest") << max / 2 << max << 50;
    QTest::newRow("all but one of the largest") << max - 1 << max << 99;
}

void TestEngineLies::percentOfTotals()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(int, percent);
    QCOMPARE(PercentOf(done, total), percent);
}

void TestEngineLies::sumsOfSizes_data()
{
    // A size below zero counts as none, and a sum stops at the largest value rather than wrap.
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<qint64>("sum");
    const qint64 max = std::numeric_limits<qint64>::max();
    QTest::newRow("plain") << qint64(1) << qint64(2) << qint64(3);
    QTest::newRow("negative first") << qint64(-5) << qint64(10) << qint64(10);
    QTest::newRow("negative second") << qint64(10) << qint64(-5) << qint64(10);
    QTest::newRow("both negative") << qint64(-1) << qint64(-1) << qint64(0);
    QTest::newRow("reaches the largest") << max - 1 << qint64(1) << max;
    QTest::newRow("one past the largest") << max << qint64(1) << max;
    QTest::newRow("two halves past it") << max / 2 + 1 << max / 2 + 1 << max;
}

void TestEngineLies::sumsOfSizes()
{
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(qint64, sum);
    QCOMPARE(AddSizes(a, b), sum);
}

void TestEngineLies::everyStorageRefusalWeighed_data()
{
    // Every code the storage reports: want of room; a disk fault (a disk gone or unwritable, an I/O error,
    // no disk set up at all); anything else fails the one file.
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("weight");
    const int full = int(STORAGE_REFUSAL::DISK_FULL), fault = int(STORAGE_REFUSAL::DISK_FAULT),
              file = int(STORAGE_REFUSAL::FILE_ONLY);
    QList<QPair<int, int>> rows{
        {STOWELINE_ERR_DISK_FULL, full},    {STOWELINE_ERR_ROOT, fault},    {STOWELINE_ERR_IO, fault},
        {STOWELINE_ERR_NOT_INIT, fault},    {STOWELINE_OK, file},           {STOWELINE_ERR_PARAM, file},
        {STOWELINE_ERR_ALREADY_OPEN, file}, {STOWELINE_ERR_NOT_OPEN, file}, {STOWELINE_ERR_TOO_MANY, file},
        {STOWELINE_ERR_FAILED, file},       {STOWELINE_ERR_DISK_GONE, file}};
    // Something standing at the record's own name, and a file whose size nothing vouches for finding no free
    // room: that file alone; weighed as a disk fault, one such file would stop every plan.
    rows += {{STOWELINE_ERR_NAME, file}, {STOWELINE_ERR_NO_FREE_ROOM, file}};
    for (const auto& [code, weight] : rows)
        QTest::addRow("code %d", code) << code << weight;
}

void TestEngineLies::everyStorageRefusalWeighed()
{
    QFETCH(int, code);
    QFETCH(int, weight);
    QCOMPARE(int(ClassifyStorageRefusal(code)), weight);
}

void TestEngineLies::filesOfAChannelBounded()
{
    // A recorder that lists 20,001 files of four seconds on one day: the first 20,000 in time are listed,
    // the last waits for another run.
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    constexpr int kFiles = 20001;
    for (int i = 0; i < kFiles; ++i)
        config.AddRecording(1, At(0).addSecs(4 * i), At(0).addSecs(4 * i + 4), 0, 100);
    const int device = Gate(f, config, 1);
    QVERIFY(device >= 0);
    CTaskWrite writer(kPlan, false);
    writer.start();
    QVERIFY(writer.wait(Bound(30000)));
    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].FileList.size(), kFiles - 1);
    QCOMPARE(FromSdkTime(list[0].FileList.first().FileStartTime), At(0));
    QCOMPARE(FromSdkTime(list[0].FileList.last().FileStartTime), At(0).addSecs(4 * (kFiles - 2)));
}

void TestEngineLies::stillSearchingHasAnEnd()
{
    // Channel 1 answers "still searching" to every question; channel 2 has a file. The clock runs 50 times
    // faster than real time, so a pause of 100 ms is one of 2 ms and the limit of 60 s one of 1.2 s.
    CEngineFixture f(kNow, 50.0);
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, {20000}, kDay, 8);
    config.Channel(1).Faults.SearchBusy = -1;
    const int device = Gate(f, config, 2);
    QVERIFY(device >= 0);
    CTaskWrite writer(kPlan, false);
    std::atomic<qint64> gaveUpAt{0};
    QObject::connect(
        &writer, &CTaskWrite::SigConnectDeviceFail, &writer,
        [&gaveUpAt](int, int, int, const QString& text) {
            if (text.startsWith(QStringLiteral("Search of")))
                gaveUpAt = EngineNow().toMSecsSinceEpoch();
        },
        Qt::DirectConnection);
    const qint64 startedAt = EngineNow().toMSecsSinceEpoch();
    writer.start();
    QVERIFY(writer.wait(Bound(20000)));

    // Given up a minute after its search began (a second of login before it), not sooner and not later.
    const qint64 after = gaveUpAt - startedAt;
    QVERIFY2(after >= 61000 && after < 61000 + Bound(2500), qPrintable(QString::number(after)));
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Search of Gate")), 1);
    // At most one question per pause of 100 ms; some hundreds, as the round trips take clock time too.
    int asked = 0;
    for (const SimCall& call : f.Recorder(device).Calls(QStringLiteral("next")))
        asked += call.Channel == 1 ? 1 : 0;
    QVERIFY2(asked >= 300 / Bound(1) && asked <= 601, qPrintable(QString::number(asked)));
    // The other channel is listed; the given-up one has no task.
    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].CameraIndex, int16_t(1));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineLies::listBuildEndsWithItsWindow()
{
    // A window from 18:00 for an hour, opened at 18:58:30. Channel 1 is listed at once; channels 2 to 4 only
    // ever answer "still searching", each for its minute: the list build must end with the window at 19:00,
    // keeping the tasks it listed whole for the overdue worker, not a minute and a half after it. The clock
    // runs at real speed until channel 2's search has begun, so channel 1 is listed inside the window however
    // slow the machine is, and only then fast.
    CEngineFixture f(At(18, 58, 30, kDay.addDays(1)), 1.0);
    SimRecorderConfig config = CSimRecorders::MakeConfig(4, {20000}, kDay, 9);
    for (int channel = 2; channel <= 4; ++channel)
        config.Channel(channel).Faults.SearchBusy = -1;
    SCHEDULE_WEEKDAY entry = CEngineFixture::Evening();
    entry.Duration = 1;
    const int device = Gate(f, config, 4, 0, -1, entry);
    QVERIFY(device >= 0);
    std::atomic<qint64> builtAt{0};
    CPlanThreads threads(kPlan);
    QObject::connect(
        &threads.control, &CControlThread::StopGetTask, &threads.control,
        [&builtAt] { builtAt = EngineNow().toMSecsSinceEpoch(); }, Qt::DirectConnection);
    threads.control.Start();
    const auto secondSearched = [&f, device] {
        const QList<SimCall> finds = f.Recorder(device).Calls(QStringLiteral("find"));
        return std::any_of(finds.begin(), finds.end(), [](const SimCall& call) { return call.Channel == 2; });
    };
    TRY_VERIFY(secondSearched(), Bound(20000));
    QVERIFY(EngineNow() < At(18, 59, 30, kDay.addDays(1)));
    f.Clock().SetScale(50.0);
    // What was listed is kept: as the current list, or, once the window's close has run, as the overdue one.
    const auto kept = [] { return StoredTasks(kPlan, 0) + StoredTasks(kPlan, 1); };
    TRY_VERIFY(builtAt != 0 && kept().size() == 1, Bound(20000));
    const QDateTime windowEnd = At(19, 0, 0, kDay.addDays(1));
    const qint64 late = builtAt - windowEnd.toMSecsSinceEpoch();
    QVERIFY2(late >= 0 && late < Bound(5000), qPrintable(QString::number(late)));
    const QList<TASK_INFO> stored = kept();
    QCOMPARE(stored[0].CameraIndex, int16_t(0));
    QCOMPARE(stored[0].TaskTime, kDay.addDays(1));
    threads.StopAll();
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineLies::totalsCountWhatIsFetched()
{
    // The plan fetches 10:30:00 to 12:30:00, that second included, of two channels whose files run
    // 10:00-11:00, 11:00-12:00 and 12:00-13:00: the first and the last are cut, and count with the length of
    // the part that is fetched.
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    for (int channel = 1; channel <= 2; ++channel)
        config.AddRecording(channel, At(10), At(11), 0, 360000 * channel)
            .AddRecording(channel, At(11), At(12), 1, 720000)
            .AddRecording(channel, At(12), At(13), 0, 360000);
    SCHEDULE_WEEKDAY entry;
    entry.FileStartTime = {10, 30, 0};
    entry.FileEndTime = {12, 30, 0};
    const int device = Gate(f, config, 2, 0, -1, entry);
    QVERIFY(device >= 0);
    CTaskWrite writer(kPlan, false);
    writer.start();
    QVERIFY(writer.wait(Bound(20000)));
    const QList<TASK_INFO> list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list.size(), 2);
    qint64 planTotal = 0;
    for (int channel = 1; channel <= 2; ++channel) {
        const TASK_INFO& task = list[channel - 1];
        const CRecorderSim& sim = f.Recorder(device);
        const qint64 sizes[3] = {sim.Expected(channel, Time(At(10, 30)), Time(At(11))).Length(),
                                 720000 + kSimHeaderBlockSize,
                                 sim.Expected(channel, Time(At(12)), Time(At(12, 30, 1))).Length()};
        QCOMPARE(task.FileList.size(), 3);
        for (int n = 0; n < 3; ++n)
            QCOMPARE(task.FileList[n].FileSize, sizes[n]);
        QCOMPARE(task.TotalChannelSize, sizes[0] + sizes[1] + sizes[2]);
        planTotal += task.TotalChannelSize;
    }

    CExecuteThread worker(kPlan, 0);
    QSignalSpy group(&worker, &CExecuteThread::StartGroupDownLoad);
    QSignalSpy percent(&worker, &CExecuteThread::GroupDownloadPos);
    worker.Start();
    QVERIFY(worker.wait(Bound(20000)));
    QCOMPARE(group.value(0).value(2).toLongLong(), planTotal);
    // The last file's last position reads 100 on its own, before the run's end says so.
    QVERIFY(percent.size() >= 2);
    QCOMPARE(percent[percent.size() - 2][2].toInt(), 100);
    qint64 onDisk = 0;
    for (int channel = 1; channel <= 2; ++channel)
        for (const QString& path : f.StoredFiles(device, channel))
            onDisk += QFileInfo(path).size();
    QCOMPARE(onDisk, planTotal);
}

void TestEngineLies::everyMonthThroughAManualBackup()
{
    // A manual backup of a whole leap year, on a day of the next: a recording on each month's last day from
    // 23:00:00 to 23:59:59, the 31st of December and the 29th of February among them. Each is listed with its
    // times, played back by time and stored byte for byte, whatever month the suite runs in.
    CEngineFixture f(QDateTime(QDate(2025, 1, 1), QTime(12, 0)));
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    QList<QDate> days;
    for (int month = 1; month <= 12; ++month) {
        days << QDate(2024, month, 1).addMonths(1).addDays(-1);
        config.AddRecording(1, At(23, 0, 0, days.last()), At(23, 59, 59, days.last()), 0, 36000 + month);
    }
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0 && f.SetUpStorage() == 0);
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = SdkTime(2024, 1, 1, 0, 0, 0);
    manual.FileEndTime = SdkTime(2024, 12, 31, 23, 59, 59);
    manual.FileType = 0;
    manual.Channel[0] = {int16_t(device), 1};
    f.Model().SetManualBackupInfo(&manual);
    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(Bound(20000)));

    const QList<TASK_INFO> stored = StoredTasks(MANUAL_GROUP_ID);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].FileList.size(), 12);
    for (int n = 0; n < 12; ++n) {
        const FILE_INFO& file = stored[0].FileList[n];
        QCOMPARE(FromSdkTime(file.FileStartTime), At(23, 0, 0, days[n]));
        QCOMPARE(FromSdkTime(file.FileStopTime), At(23, 59, 59, days[n]));
        QCOMPARE(file.DownloadState, int16_t(DOWNLOAD_DONE));
        QVERIFY2(f.StoredCopyMatches(device, 1, file.FileStartTime, file.FileStopTime),
                 qPrintable(days[n].toString()));
    }
}

VARROW_TEST_MAIN(TestEngineLies, QCoreApplication)
#include "tst_engine_lies.moc"
