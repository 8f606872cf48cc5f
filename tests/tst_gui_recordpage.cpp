// The record page over the real storage layer on a temporary disk: the camera tree follows the model's
// devices, a search honours the three-day limit and fans the chosen type out per ticked channel, names it
// cannot read drop only themselves, clicks reach the player and the file manager, and the export never puts a
// copy outside the chosen folder, never loses an earlier copy and reports a failed export as failed.

#include "pages/record/CExportRecord.h"
#include "pages/record/CThreadExportFile.h"
#include "pages/record/CViewRecord.h"
#include "model/DbAccess.h"
#include "pages/record/RecordSearch.h"
#include "platform/DriveMap.h"
#include "platform/RecordPlayer.h"
#include "platform/VolumeCall.h"
#include "storage/CreateStorage.h"
#include "tests/support/gui/FakeHandOff.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/ItemDataRole.h"

#include <QApplication>
#include <QSignalSpy>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QDate kDay(2026, 3, 10);

QDateTime At(int hour, int minute = 0)
{
    return QDateTime(kDay, QTime(hour, minute));
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A stand-in for the desktop's opener in `dir`: writes its argument to "argument", then ends with the status
// written into "go" (after ten seconds without one, with 0).
void WriteOpener(const QString& dir)
{
    const QByteArray at = QFile::encodeName(dir);
    QFile script(dir + QStringLiteral("/xdg-open"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + at + "/argument'\nfor i in $(seq 200); do [ -s '" +
                 at + "/go' ] && exit $(cat '" + at + "/go'); sleep 0.05; done\nexit 0\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

// A stand-in player in `dir` under `name`: writes its argument to "argument", waits for "go" (ten seconds
// at most), then reads the file it was given into "played", as a player opens what it was handed.
void WritePlayer(const QString& dir, const QString& name)
{
    const QByteArray at = QFile::encodeName(dir);
    QFile script(dir + QLatin1Char('/') + name);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nd='" + at +
                 "'\nprintf '%s' \"$1\" > \"$d/argument.tmp\" && mv \"$d/argument.tmp\" \"$d/argument\"\n"
                 "i=0\nwhile [ ! -e \"$d/go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
                 "cat \"$1\" > \"$d/played.tmp\"; mv \"$d/played.tmp\" \"$d/played\"\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

// A stand-in player in `dir` that keeps one instance, as many players may be set to: the first start plays
// its argument and stays; a later start hands its argument to the first one (a file "handed.<pid>") and
// ends, and the first opens what it was handed a moment later, in its own process. Each argument taken is
// written to "took.<n>" at once, and the record read into "played.<n>" a moment later, in order. The first
// ends at "stop" (or after twenty seconds).
void WriteOneInstancePlayer(const QString& dir)
{
    const QByteArray at = QFile::encodeName(dir);
    QFile script(dir + QStringLiteral("/player"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nd='" + at +
                 "'\n"
                 "if ! mkdir \"$d/running\" 2>/dev/null; then\n"
                 "  printf '%s' \"$1\" > \"$d/hand.$$\" && mv \"$d/hand.$$\" \"$d/handed.$$\"\n"
                 "  exit 0\n"
                 "fi\n"
                 "n=0\n"
                 "play() { printf '%s' \"$1\" > \"$d/took.$n\"; sleep 0.3; cat \"$1\" > \"$d/play.tmp\"; mv "
                 "\"$d/play.tmp\" \"$d/played.$n\"; "
                 "n=$((n+1)); }\n"
                 "play \"$1\"\n"
                 "i=0\n"
                 "while [ ! -e \"$d/stop\" ] && [ $i -lt 400 ]; do\n"
                 "  for f in \"$d\"/handed.*; do\n"
                 "    [ -e \"$f\" ] || continue\n"
                 "    a=$(cat \"$f\"); rm -f \"$f\"; play \"$a\"\n"
                 "  done\n"
                 "  sleep 0.05; i=$((i+1))\n"
                 "done\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

// Puts a link to `forged` in place of the disk's Records, as a user who may rename entries in the disk's
// folder does: user 65534 when the test runs as root (the disk's folder then open to all), else the test's
// own user. The genuine folder is moved to Records.genuine.
bool SwapRecords(const QString& disk, const QString& forged)
{
    const QByteArray records = QFile::encodeName(disk + QStringLiteral("/Records"));
    const QByteArray aside = records + ".genuine";
    const QByteArray target = QFile::encodeName(forged);
    const auto swap = [&] {
        return ::rename(records.constData(), aside.constData()) == 0 &&
               ::symlink(target.constData(), records.constData()) == 0;
    };
    if (!TestSupport::MachineRoot())
        return swap();
    return ::chmod(QFile::encodeName(disk).constData(), 0777) == 0 && OtherUser::Do(swap);
}

} // namespace

class TestRecordPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void cameraTree();
    void searchRange_data();
    void searchRange();
    void defaultRangeReachesTheSearch();
    void typeFanOut_data();
    void typeFanOut();
    void unreadableNames();
    void clickRouting();
    void missingPlayerIsSaid();
    void openerFailureIsSaid();
    void playerGetsTheCheckedRecord_data();
    void playerGetsTheCheckedRecord();
    void playerOfOneInstancePlaysEachClick();
    void emptyResultIsSaid();
    void exportCopies();
    void exportFromThePage();
    void exportRefusesALink();
    void exportStops_data();
    void exportStops();
    void exportDialogFollowsTheWindow();
    void exportToASilentVolume_data();
    void exportToASilentVolume();
    void noTickedChannelAsksForOne();
    void diskNotThereIsNamed();
    void recordsOnADiskNoLongerChosen_data();
    void recordsOnADiskNoLongerChosen();
    void returnThatStartedTheExportDoesNotStopIt();
    void listCutAtItsBound_data();
    void listCutAtItsBound();
    void silentDiskHoldsNothing_data();
    void silentDiskHoldsNothing();
    void playbackFromASilentDisk_data();
    void playbackFromASilentDisk();
    void exportFromASilentDisk_data();
    void exportFromASilentDisk();
    void refusedFolderNamedOffTheWindow();
    void letterHoldingADisksMark_data();
    void letterHoldingADisksMark();

private:
    // The fixture's disk seen through a FUSE view mapped as D (the only disk chosen), with the rows
    // `channels` of the gate holding a record each, listed by a search while the view answers. Skips without
    // FUSE.
    bool ListThroughView(class CSilentView* view, std::initializer_list<int> channels);
    // Stores one record through the storage layer; its full path, found under `disk` (the fixture's disk when
    // none is given).
    QString Store(int device, int channel, const QDateTime& start, const QDateTime& stop, uint32_t type,
                  const QString& disk = QString());
    // Plants `count` one-second records of a gate's channel (by number) beside a stored one, from At(0) on.
    bool Plant(int channel, int count);
    QString Label(const char* name) const
    {
        const QLabel* label = m_page->findChild<QLabel*>(QLatin1String(name));
        return label->isHidden() ? QString() : label->text();
    }
    void Tick(int deviceRow, int channelRow)
    {
        const QModelIndex device = m_tree->index(deviceRow, 0);
        m_tree->setData(m_tree->index(channelRow, 0, device), Qt::Checked, Qt::CheckStateRole);
    }
    void SetRange(const QDateTime& from, const QDateTime& to)
    {
        m_page->findChild<CDateTimeEdit*>(QStringLiteral("pDtFrom"))->setDateTime(from);
        m_page->findChild<CDateTimeEdit*>(QStringLiteral("pDtTo"))->setDateTime(to);
    }
    int Rows() const { return m_records->rowCount(); }
    void SelectAll()
    {
        for (int row = 0; row < Rows(); ++row)
            m_table->selectionModel()->select(m_records->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Answers the export's folder dialog with `folder`.
    void ChooseFolder(const QString& folder)
    {
        m_driver->Answer([folder](QWidget* window) {
            window->findChild<CPathComboBox*>(QStringLiteral("pFilePathBox"))->addItem(folder);
            // From a fresh event, so that the boxes it opens run while the driver can answer them.
            QTimer::singleShot(0, window->findChild<QPushButton*>(QStringLiteral("pOkBtn")),
                               &QPushButton::click);
        });
    }
    QString Cell(int row, int column) const { return m_records->index(row, column).data().toString(); }
    void Search() { m_page->findChild<CPushButton*>(QStringLiteral("pBtnSearchRecord"))->click(); }
    void SearchDay(std::initializer_list<int> gateChannels)
    {
        for (int channelRow : gateChannels)
            Tick(0, channelRow);
        SetRange(At(0), At(23));
        Search();
    }

    std::unique_ptr<CEngineFixture> m_fixture;
    std::unique_ptr<CViewRecord> m_page;
    std::unique_ptr<CModalDriver> m_driver;
    QAbstractItemModel* m_tree = nullptr;
    QAbstractItemModel* m_records = nullptr;
    CTableView* m_table = nullptr;
    int m_gate = -1;
    int m_yard = -1;
    QStringList m_calls;
};

void TestRecordPage::init()
{
    m_fixture = std::make_unique<CEngineFixture>(At(12));
    QCOMPARE(m_fixture->SetUpStorage(), 0);
    m_gate = m_fixture->AddDevice(CSimRecorders::MakeConfig(2, {}, kDay, 1), "Gate");
    m_yard = m_fixture->AddDevice(CSimRecorders::MakeConfig(1, {}, kDay, 2), "Yard");
    QVERIFY(m_gate >= 0 && m_yard >= 0);
    m_driver = std::make_unique<CModalDriver>();
    m_page = std::make_unique<CViewRecord>(nullptr);
    m_calls.clear();
    m_page->SetPlayer(std::make_unique<CFakeHandOff>(&m_calls));
    m_page->SetFileBrowser(std::make_unique<CFakeHandOff>(&m_calls));
    m_tree = m_page->findChild<CGroupTreeView*>(QStringLiteral("pTreeGroup"))->model();
    m_table = m_page->findChild<CTableView*>(QStringLiteral("pTableView"));
    m_records = m_table->model();
}

void TestRecordPage::cleanup()
{
    m_page.reset();
    m_driver.reset();
    m_fixture.reset();
}

QString TestRecordPage::Store(int device, int channel, const QDateTime& start, const QDateTime& stop,
                              uint32_t type, const QString& disk)
{
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    const DEVICE_INFO* info = m_fixture->Model().GetDeviceInfo(device);
    const QByteArray name =
        QString::asprintf("%s_%d_%d", info->DeviceIP, int(info->Port), channel).toLatin1();
    CHANNEL_RECORD_KEY key;
    key.StartTime = CompactTime(start);
    key.StopTime = CompactTime(stop);
    key.FileType = type;
    const QByteArray data(1000, 'r');
    if (!storage->OpenChannelRecord(name.constData(), 0, &key) ||
        !storage->WriteChannelRecord(name.constData(), 2, reinterpret_cast<const uint8_t*>(data.constData()),
                                     uint32_t(data.size()), &key) ||
        !storage->CloseChannelRecord(name.constData(), &key))
        return {};
    const QString prefix = start.toString(QStringLiteral("yyyyMMddhhmmss_"));
    QDirIterator it(disk.isEmpty() ? m_fixture->DiskPath() : disk, {prefix + QLatin1Char('*')}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1Char('/') + QString::fromLatin1(name) + QLatin1Char('/')))
            return path;
    }
    return {};
}

// A missing device row or a stale tick searches the wrong channels.
void TestRecordPage::cameraTree()
{
    // A device that reports no channel list at all still gets its row, without children.
    for (const auto& [column, width] : {std::pair{CViewRecord::COL_CAMERA, 150},
                                        {CViewRecord::COL_START, 130},
                                        {CViewRecord::COL_END, 130},
                                        {CViewRecord::COL_PATH, 500}})
        QCOMPARE(m_table->columnWidth(column), width);
    m_fixture->Model().GetDeviceInfo(m_yard)->CameraNum = -1;
    m_page->ResetGroup();
    QCOMPARE(m_tree->rowCount(), 2);
    QCOMPARE(m_tree->rowCount(m_tree->index(1, 0)), 0);
    QVERIFY(!Store(m_gate, 2, At(8), At(9), 1).isEmpty());
    SearchDay({1});
    QCOMPARE(Rows(), 1);

    // A rebuild after a device change starts with nothing ticked.
    m_page->ResetGroup();
    Search();
    QCOMPARE(Rows(), 0);
}

void TestRecordPage::searchRange_data()
{
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<QString>("message");
    const QDateTime start = At(9, 30).addDays(-3);
    QTest::newRow("exactly three days") << start << start.addSecs(kMaxSearchSeconds) << QString();
    QTest::newRow("one second more") << start << start.addSecs(kMaxSearchSeconds + 1)
                                     << QStringLiteral("Please search record data no more than 3 days");
    QTest::newRow("reversed") << At(9) << At(8, 59)
                              << QStringLiteral("The end time is earlier than start time");
}

// A refused range must leave the earlier results alone.
void TestRecordPage::searchRange()
{
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(QString, message);
    QVERIFY(!Store(m_gate, 1, At(8), At(9), 1).isEmpty());
    QVERIFY(!Store(m_gate, 1, At(10), At(11), 1).isEmpty());
    SearchDay({0});
    QCOMPARE(Rows(), 2);

    if (!message.isEmpty())
        m_driver->Accept();
    SetRange(from, to);
    Search();
    QCOMPARE(m_driver->Seen().size(), message.isEmpty() ? 0 : 1);
    // Only the record that overlaps 08:00 .. 09:30 of the day, or both where the search was refused.
    QCOMPARE(Rows(), message.isEmpty() ? 1 : 2);
    if (!message.isEmpty())
        QCOMPARE(m_driver->Seen().at(0).Text(), message);
}

// The page is built at noon; a record stored in the afternoon must be in a search run later with the range
// untouched, and a range the operator picked stays as picked.
void TestRecordPage::defaultRangeReachesTheSearch()
{
    QVERIFY(!Store(m_gate, 1, At(13), At(13, 30), 1).isEmpty());
    m_fixture->Clock().SetNow(At(14));
    Tick(0, 0);
    Search();
    QCOMPARE(Rows(), 1);

    SetRange(At(8), At(12));
    m_fixture->Clock().SetNow(At(15));
    Search();
    QCOMPARE(Rows(), 0);
}

void TestRecordPage::typeFanOut_data()
{
    QTest::addColumn<int>("comboIndex");
    QTest::addColumn<QList<int>>("types"); // the type of each row, in row order
    QTest::newRow("All") << 0 << QList<int>{1, 2, 3, 4, 5, 8, 1, 2};
    QTest::newRow("Schedule") << 1 << QList<int>{1, 1};
    QTest::newRow("Motion Detection") << 2 << QList<int>{2, 4, 5, 2};
    QTest::newRow("Alarm") << 3 << QList<int>{3, 4, 5};
    QTest::newRow("Manual Record") << 4 << QList<int>{8};
}

// Each ticked channel is searched once per code of the chosen type, codes in order, channels top to bottom;
// an unticked channel (Yard) is never searched.
void TestRecordPage::typeFanOut()
{
    QFETCH(int, comboIndex);
    QFETCH(QList<int>, types);
    const uint32_t stored[] = {1, 2, 3, 4, 5, 8, 1, 2}; // the last two on channel 2
    for (int i = 0; i < 8; ++i)
        QVERIFY(!Store(m_gate, i < 6 ? 1 : 2, At(i + 1), At(i + 1, 30), stored[i]).isEmpty());
    QVERIFY(!Store(m_yard, 1, At(1), At(2), 2).isEmpty());
    m_page->findChild<CComboBox*>(QStringLiteral("pCombFileType"))->setCurrentIndex(comboIndex);
    SearchDay({0, 1});

    QList<int> shown;
    for (int row = 0; row < Rows(); ++row) {
        QCOMPARE(Cell(row, CViewRecord::COL_ID), QString::number(row + 1));
        shown << Cell(row, CViewRecord::COL_PATH)
                     .section(QLatin1Char('_'), -1)
                     .section(QLatin1Char('.'), 0, 0)
                     .toInt();
    }
    QCOMPARE(shown, types);
}

// A name the page cannot read and a file gone from the disk drop only themselves; the rows stay numbered
// without gaps, and a size under 1 MiB does not show 0.
void TestRecordPage::unreadableNames()
{
    QTemporaryDir dir;
    const QString kept1 = dir.filePath(QStringLiteral("a/b/20260310080000_20260310090000_1.rec"));
    const QString kept2 = dir.filePath(QStringLiteral("a/b/20260310100000_20260310110000_1.rec"));
    QVERIFY(WriteFile(kept1, "x") && WriteFile(kept2, "y"));
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("a/b/notes.rec")), "z"));
    StowelineList list;
    for (const QString& path :
         {dir.filePath(QStringLiteral("a/b/notes.rec")),
          dir.filePath(QStringLiteral("a/b/20260310070000_20260310073000_1.rec")), kept1, kept2})
        QVERIFY(list.Append(path.toLocal8Bit().constData()));
    m_page->FillRecordRows(nullptr, QStringLiteral("Cam"));
    m_page->FillRecordRows(&list, QStringLiteral("Cam"));
    QCOMPARE(Rows(), 2);
    QCOMPARE(Cell(0, CViewRecord::COL_PATH), kept1);
    QCOMPARE(Cell(1, CViewRecord::COL_PATH), kept2);
    QCOMPARE(Cell(1, CViewRecord::COL_ID), QStringLiteral("2"));
    QCOMPARE(Cell(1, CViewRecord::COL_SIZE), QStringLiteral("1"));
    // The path reads as a link: blue.
    QCOMPARE(m_records->index(0, CViewRecord::COL_PATH).data(Qt::ForegroundRole).value<QBrush>().color(),
             QColor(0, 0, 255));
    // The times come from the name: start first, then end, to the second.
    QCOMPARE(Cell(0, CViewRecord::COL_START), QStringLiteral("2026-03-10 08:00:00"));
    QCOMPARE(Cell(0, CViewRecord::COL_END), QStringLiteral("2026-03-10 09:00:00"));
    QString start;
    QString end;
    QVERIFY(RecordTimesOf(QStringLiteral("/d/20261231235958_20270101000107_8.rec"), &start, &end));
    QCOMPARE(start + QLatin1Char('|') + end, QStringLiteral("2026-12-31 23:59:58|2027-01-01 00:01:07"));
    // Whole MiB, rounded down, at least 1.
    for (const auto& [bytes, text] :
         {std::pair{0LL, "1"}, {1048575LL, "1"}, {2097151LL, "1"}, {2097152LL, "2"}, {20000000LL, "19"}})
        QCOMPARE(RecordSizeText(bytes), QLatin1String(text));
    const STOWELINE_TIME compact = CompactTime(QDateTime(QDate(2026, 12, 31), QTime(23, 58, 59)));
    QCOMPARE(
        QList<int>({compact.Year, compact.Month, compact.Day, compact.Hour, compact.Minute, compact.Second}),
        QList<int>({2026, 12, 31, 23, 58, 59}));

    // Without a storage object the search button does nothing at all: no box, and the rows stay.
    ReleaseStorage();
    Search();
    QCOMPARE(Rows(), 2);
    QVERIFY(m_driver->Seen().isEmpty());
}

// A real click on every cell of a row: only the two button cells hand the row's path on, each to its own
// layer.
void TestRecordPage::clickRouting()
{
    const QString path = Store(m_gate, 1, At(8), At(9), 1);
    SearchDay({0});
    QCOMPARE(Rows(), 1);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    for (int column = CViewRecord::COL_ID; column <= CViewRecord::COL_PATH; ++column) {
        const QModelIndex index = m_records->index(0, column);
        m_table->scrollTo(index);
        QTest::mouseClick(m_table->viewport(), Qt::LeftButton, {}, m_table->visualRect(index).center());
    }
    QCOMPARE(m_calls, (QStringList{QStringLiteral("play ") + path, QStringLiteral("show ") + path}));
}

// A player that is not there is said in a box, never a click that opens nothing; without a player set, the
// desktop's opener gets the file, and a player put beside the program is taken at the next click.
void TestRecordPage::missingPlayerIsSaid()
{
    Store(m_gate, 1, At(8), At(9), 1);
    SearchDay({0});
    const QString missing = QDir::temp().filePath(QStringLiteral("varrow-no-player/Vidrun"));
    m_page->SetPlayer(std::make_unique<CRecordPlayer>(missing));
    m_driver->Accept();
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    QCOMPARE(m_driver->Seen().size(), 1);
    QVERIFY2(m_driver->Seen().first().Text().contains(missing), qPrintable(m_driver->Seen().first().Text()));
    // A file that is there but may not be run is said at the click as well.
    QTemporaryDir bin;
    const QString unrunnable = bin.filePath(QStringLiteral("Vidrun"));
    QVERIFY(WriteFile(unrunnable, "#!/bin/sh\n"));
    m_page->SetPlayer(std::make_unique<CRecordPlayer>(unrunnable));
    m_driver->Accept();
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    QCOMPARE(m_driver->Seen().size(), 2);
    QVERIFY2(m_driver->Seen().last().Text().contains(unrunnable), qPrintable(m_driver->Seen().last().Text()));

    CRecordPlayer chosen;
    QCOMPARE(chosen.Program(), QStandardPaths::findExecutable(QStringLiteral("xdg-open")));
    QFile player(CRecordPlayer::DefaultProgram());
    QVERIFY(player.open(QIODevice::WriteOnly));
    player.write("#!/bin/sh\n");
    player.close();
    QVERIFY(player.setPermissions(player.permissions() | QFileDevice::ExeOwner));
    QCOMPARE(chosen.Program(), CRecordPlayer::DefaultProgram());
    QVERIFY(player.remove());
}

// Without a player the desktop's opener gets the record. Its exit is watched from the event loop: the click
// returns while the opener runs, and an opener that found no program for the file (its status 3) is said in
// the page's box, naming the record, the opener and why; one that handed the file on says nothing.
void TestRecordPage::openerFailureIsSaid()
{
    const QString path = Store(m_gate, 1, At(8), At(9), 1);
    SearchDay({0});
    QTemporaryDir bin;
    WriteOpener(bin.path());
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + searchPath);
    const auto restore = qScopeGuard([&searchPath] { qputenv("PATH", searchPath); });
    auto player = std::make_unique<CRecordPlayer>();
    const CRecordPlayer* watched = player.get();
    m_page->SetPlayer(std::move(player));
    const QString go = bin.filePath(QStringLiteral("go"));
    const auto openers = [watched] { return watched->findChildren<QProcess*>().size(); };

    for (const QByteArray status : {"0", "3"}) {
        QFile::remove(bin.filePath(QStringLiteral("argument")));
        QFile::remove(go);
        if (status == "0")
            QVERIFY(WriteFile(go, status));
        else
            m_driver->Accept();
        m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
        // The opener gets a private copy of the record under its own name (the desktop chooses a program by
        // it), never the record's path on the disk.
        QTRY_VERIFY(
            ReadAll(bin.filePath(QStringLiteral("argument"))).endsWith(path.section('/', -1).toUtf8()));
        const QString copy = QString::fromUtf8(ReadAll(bin.filePath(QStringLiteral("argument"))));
        QVERIFY2(copy.startsWith(CRecordPlayer::CopyFolder() + QLatin1Char('/')), qPrintable(copy));
        QCOMPARE(ReadAll(copy), ReadAll(path));
        if (status == "3") {
            // The click has returned; the opener still runs and nothing is said yet.
            QCOMPARE(openers(), 1);
            QCOMPARE(m_driver->Seen().size(), 0);
            QVERIFY(WriteFile(go, status));
        }
        QTRY_COMPARE(openers(), 0);
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_driver->Seen().size(), 1);
    const QString text = m_driver->Seen().first().Text();
    for (const QString& part : {path, bin.filePath(QStringLiteral("xdg-open")), QStringLiteral("status 3"),
                                QStringLiteral("no program is set to open this kind of file")})
        QVERIFY2(text.contains(part), qPrintable(text));
}

void TestRecordPage::playerGetsTheCheckedRecord_data()
{
    QTest::addColumn<bool>("desktop");
    QTest::newRow("player beside the program") << false;
    QTest::newRow("desktop's default application") << true;
}

// Another user who may rename entries in the disk's folder swaps Records for a link to forged video between
// the page's check and the player's open: the player still plays the record that was checked, since it gets
// the checked file (an inherited descriptor, or a private copy for the desktop), not its name to look up.
void TestRecordPage::playerGetsTheCheckedRecord()
{
    QFETCH(bool, desktop);
    const QString path = Store(m_gate, 1, At(8), At(9), 1);
    SearchDay({0});
    QCOMPARE(Rows(), 1);
    const QString disk = m_fixture->DiskPath();
    const QString below = path.mid(disk.size() + QStringLiteral("/Records").size());
    QTemporaryDir forged;
    QVERIFY(WriteFile(forged.path() + below, "forged video"));
    QVERIFY(::chmod(QFile::encodeName(forged.path()).constData(), 0755) == 0);

    QTemporaryDir bin;
    WritePlayer(bin.path(), desktop ? QStringLiteral("xdg-open") : QStringLiteral("player"));
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + searchPath);
    const auto restore = qScopeGuard([&searchPath] { qputenv("PATH", searchPath); });
    auto owned =
        std::make_unique<CRecordPlayer>(desktop ? QString() : bin.filePath(QStringLiteral("player")));
    const CRecordPlayer* player = owned.get();
    m_page->SetPlayer(std::move(owned));

    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bin.filePath(QStringLiteral("argument"))),
                             TestSupport::Bound(10000));
    const auto unswap = qScopeGuard([&disk] {
        QFile::remove(disk + QStringLiteral("/Records"));
        QFile::rename(disk + QStringLiteral("/Records.genuine"), disk + QStringLiteral("/Records"));
    });
    QVERIFY(SwapRecords(disk, forged.path()));
    QCOMPARE(ReadAll(path), QByteArray("forged video")); // the name now leads to the forged file
    QVERIFY(WriteFile(bin.filePath(QStringLiteral("go")), "go"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bin.filePath(QStringLiteral("played"))),
                             TestSupport::Bound(10000));
    QCOMPARE(ReadAll(bin.filePath(QStringLiteral("played"))), QByteArray(1000, 'r'));
    QCOMPARE(m_driver->Seen().size(), 0);
    if (!desktop)
        return;
    // The copy is the operator's alone, in a folder nobody else may write to.
    const QString copy = QString::fromUtf8(ReadAll(bin.filePath(QStringLiteral("argument"))));
    const auto mode = [](const QString& at) {
        struct stat st;
        return ::lstat(QFile::encodeName(at).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    };
    QCOMPARE(mode(copy), 0600);
    QCOMPARE(mode(QFileInfo(copy).path()), 0700);
    QCOMPARE(mode(CRecordPlayer::CopyFolder()), 0700);
    // The next copy removes the earlier ones whose opener has ended.
    QVERIFY(QFile::remove(disk + QStringLiteral("/Records")));
    QVERIFY(QFile::rename(disk + QStringLiteral("/Records.genuine"), disk + QStringLiteral("/Records")));
    QTRY_VERIFY(player->findChildren<QProcess*>().isEmpty());
    for (const char* file : {"argument", "played"})
        QVERIFY(QFile::remove(bin.filePath(QLatin1String(file))));
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bin.filePath(QStringLiteral("played"))),
                             TestSupport::Bound(10000));
    const QString next = QString::fromUtf8(ReadAll(bin.filePath(QStringLiteral("argument"))));
    QCOMPARE(ReadAll(next), QByteArray(1000, 'r'));
    QVERIFY(next != copy && !QFile::exists(QFileInfo(copy).path()));

    // A copy folder others may write to is not used: the box says why, and no opener is started.
    QTRY_VERIFY(player->findChildren<QProcess*>().isEmpty());
    QVERIFY(::chmod(QFile::encodeName(CRecordPlayer::CopyFolder()).constData(), 0777) == 0);
    // Closed again whatever fails below: an open copy folder would refuse every later play of this run.
    const auto closeAgain =
        qScopeGuard([] { ::chmod(QFile::encodeName(CRecordPlayer::CopyFolder()).constData(), 0700); });
    QFile::remove(bin.filePath(QStringLiteral("argument")));
    m_driver->Accept();
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    QTRY_COMPARE(m_driver->Seen().size(), 1);
    const QString text = m_driver->Seen().first().Text();
    QVERIFY2(text.startsWith(QStringLiteral("The record is not played: the folder ") +
                             CRecordPlayer::CopyFolder() + QStringLiteral(" is not closed to other users")),
             qPrintable(text));
    QVERIFY(!QFile::exists(bin.filePath(QStringLiteral("argument"))));
}

// A player that keeps one instance opens what a later start hands it in its own process, a moment later:
// each record clicked is the one it plays, in the order clicked, and nothing is said in a box.
void TestRecordPage::playerOfOneInstancePlaysEachClick()
{
    const QStringList paths{Store(m_gate, 1, At(8), At(9), 1), Store(m_gate, 1, At(9), At(10), 1)};
    QVERIFY(!paths.contains(QString()));
    QVERIFY(WriteFile(paths.at(1), QByteArray(1000, 'R'))); // told apart from the first
    SearchDay({0});
    QCOMPARE(Rows(), 2);
    QTemporaryDir bin;
    WriteOneInstancePlayer(bin.path());
    const auto stop = qScopeGuard([&bin] { WriteFile(bin.filePath(QStringLiteral("stop")), "stop"); });
    m_page->SetPlayer(std::make_unique<CRecordPlayer>(bin.filePath(QStringLiteral("player"))));
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));

    // Each row clicked twice over, the next click after the last argument reached the first instance but
    // before that instance opened it.
    QList<QByteArray> expected;
    for (const int row : {0, 1, 0, 1}) {
        const QModelIndex index = m_records->index(row, CViewRecord::COL_PLAYBACK);
        expected << ReadAll(index.data(ROLE_USER_DATA).toString());
        m_table->scrollTo(index);
        QTest::mouseClick(m_table->viewport(), Qt::LeftButton, {}, m_table->visualRect(index).center());
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(bin.filePath(QStringLiteral("took.%1").arg(expected.size() - 1))),
            TestSupport::Bound(10000));
    }
    QCOMPARE(QSet<QByteArray>(expected.cbegin(), expected.cend()).size(), 2);
    for (qsizetype n = 0; n < expected.size(); ++n) {
        const QString played = bin.filePath(QStringLiteral("played.%1").arg(n));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(played), TestSupport::Bound(10000));
        QCOMPARE(ReadAll(played), expected.at(n));
    }
    QCOMPARE(m_driver->Seen().size(), 0);
}

// A search that finds nothing says so beside the result's caption; the next search that finds records takes
// the words away again.
void TestRecordPage::emptyResultIsSaid()
{
    QLabel* none = m_page->findChild<QLabel*>(QStringLiteral("pLabelNoRecord"));
    QVERIFY(none != nullptr && none->isHidden());
    QVERIFY(!Store(m_gate, 1, At(8), At(9), 1).isEmpty());
    SetRange(At(10), At(11));
    Tick(0, 0);
    Search();
    QCOMPARE(Rows(), 0);
    QVERIFY(!none->isHidden());
    QCOMPARE(none->text(), QStringLiteral("No record found in this range."));
    SetRange(At(8), At(11));
    Search();
    QCOMPARE(Rows(), 1);
    QVERIFY(none->isHidden());
}

// A source that cannot be read fails alone: the earlier copy of its target stays untouched and the files
// after it are copied; a path that could climb out of the folder writes nothing; a file exported onto itself
// is not lost.
void TestRecordPage::exportCopies()
{
    QTemporaryDir source;
    QTemporaryDir target;
    const QString a = source.filePath(QStringLiteral("disk/Records/nameA/20260310/f1.rec"));
    const QString missing = source.filePath(QStringLiteral("disk/Records/nameB/20260311/gone.rec"));
    const QString c = source.filePath(QStringLiteral("disk/Records/nameC/20260312/f3.rec"));
    QVERIFY(WriteFile(a, "first") && WriteFile(c, "third"));
    QVERIFY(WriteFile(target.filePath(QStringLiteral("nameA/20260310/f1.rec")), "an older, longer copy"));
    QVERIFY(WriteFile(target.filePath(QStringLiteral("nameB/20260311/gone.rec")), "kept"));

    CThreadExportFile worker(nullptr);
    QSignalSpy done(&worker, &CThreadExportFile::SendWriteOver);
    const auto run = [&worker, &done](const QList<QString>& files, const QString& folder) {
        worker.SetExportParam(files, folder);
        worker.start();
        return worker.wait(10000) && !done.isEmpty() ? done.takeFirst().value(0).toInt() : -1;
    };
    QCOMPARE(run({a, missing, c}, target.path()), 0);
    QCOMPARE(ReadAll(target.filePath(QStringLiteral("nameA/20260310/f1.rec"))), QByteArray("first"));
    QCOMPARE(ReadAll(target.filePath(QStringLiteral("nameB/20260311/gone.rec"))), QByteArray("kept"));
    QCOMPARE(ReadAll(target.filePath(QStringLiteral("nameC/20260312/f3.rec"))), QByteArray("third"));
    QCOMPARE(
        QDir(target.filePath(QStringLiteral("nameB/20260311"))).entryList(QDir::Files | QDir::Hidden).size(),
        1); // no temporary file left behind

    QCOMPARE(run({source.filePath(QStringLiteral("../x.rec"))}, target.filePath(QStringLiteral("sub"))), 0);
    QVERIFY(!QFile::exists(target.filePath(QStringLiteral("sub"))));

    QCOMPARE(run({a}, source.filePath(QStringLiteral("disk/Records"))), 1);
    QCOMPARE(ReadAll(a), QByteArray("first"));

    // A path whose last three parts are not plain names could put a copy outside the chosen folder.
    QString dir;
    QString file;
    for (const char* bad :
         {"folder/file.rec", "/x/../b/file.rec", "/x/./b/file.rec", "/x//file.rec", "/x/a/b/"})
        QVERIFY2(!CThreadExportFile::TargetOf(QLatin1String(bad), QStringLiteral("/export/"), &dir, &file),
                 bad);
    QVERIFY(
        CThreadExportFile::TargetOf(QStringLiteral("/x/a/b/f.rec"), QStringLiteral("/export/"), &dir, &file));
    QCOMPARE(file, QStringLiteral("/export/a/b/f.rec"));
    // Three parts are enough; the folder's own slash is added when it has none.
    QVERIFY(CThreadExportFile::TargetOf(QStringLiteral("a/b/g.rec"), QStringLiteral("/export"), &dir, &file));
    QCOMPARE(dir + QLatin1Char('|') + file, QStringLiteral("/export/a/b|/export/a/b/g.rec"));
}

// An export whose file went from the disk is reported failed, naming the file.
void TestRecordPage::exportFromThePage()
{
    const QString first = Store(m_gate, 1, At(8), At(9), 1);
    const QString second = Store(m_gate, 2, At(8), At(9), 1);
    SearchDay({0, 1});
    QCOMPARE(Rows(), 2);
    CPushButton* exportButton = m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"));
    for (int row : {0, 1})
        m_table->selectionModel()->select(m_records->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(QFile::remove(second));
    QTemporaryDir target;
    m_driver->Answer([&target](QWidget* window) {
        window->findChild<CPathComboBox*>(QStringLiteral("pFilePathBox"))
            ->addItem(target.path() + QLatin1Char('/'));
        // From a fresh event, so that the boxes it opens run while the driver can answer them.
        QTimer::singleShot(0, window->findChild<QPushButton*>(QStringLiteral("pOkBtn")), &QPushButton::click);
    });
    m_driver->AcceptPassingBusy(2);
    exportButton->click();
    QTRY_VERIFY(!m_driver->Seen().isEmpty() &&
                m_driver->Seen().last().Text().startsWith(QStringLiteral("Export failed!")));
    QCOMPARE(m_driver->Seen().last().title, QStringLiteral("Error"));
    QVERIFY2(m_driver->Seen().last().Text().contains(second), qPrintable(m_driver->Seen().last().Text()));
    m_driver->Clear();
    // The stored record is the operator's alone, and so is its copy, whatever the operator's umask.
    const auto mode = [](const QString& path) {
        struct stat st;
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    QCOMPARE(mode(first), 0600);
    QCOMPARE(mode(target.filePath(first.section(QLatin1Char('/'), -3))), 0600);
}

// A record replaced by a link to a private file of the operator's is neither exported nor played: the box
// names it, the other record is exported all the same, and the private bytes reach no export folder.
void TestRecordPage::exportRefusesALink()
{
    const QString first = Store(m_gate, 1, At(8), At(9), 1);
    const QString second = Store(m_gate, 2, At(8), At(9), 1);
    SearchDay({0, 1});
    QCOMPARE(Rows(), 2);
    QTemporaryDir secretDir;
    const QString secret = secretDir.filePath(QStringLiteral("id_key"));
    QVERIFY(WriteFile(secret, "the operator's private key"));
    QVERIFY(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(QFile::remove(first) && QFile::link(secret, first));

    SelectAll();
    QTemporaryDir target;
    ChooseFolder(target.path() + QLatin1Char('/'));
    m_driver->AcceptPassingBusy(2);
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    QTRY_VERIFY(!m_driver->Seen().isEmpty() && m_driver->Seen().last().title == QStringLiteral("Error"));
    const QString text = m_driver->Seen().last().Text();
    QVERIFY2(text.startsWith(QStringLiteral("Export failed!\nNot exported: ") + first), qPrintable(text));
    QVERIFY2(!text.contains(second), qPrintable(text));
    QCOMPARE(FilesUnder(target.path()), QStringList{target.filePath(second.section(QLatin1Char('/'), -3))});
    QCOMPARE(ReadAll(target.filePath(second.section(QLatin1Char('/'), -3))), QByteArray(1000, 'r'));

    // The player gets the record that is there, never the link.
    m_driver->Clear();
    m_driver->Accept();
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    m_page->OnClickAction(m_records->index(1, CViewRecord::COL_PLAYBACK));
    QCOMPARE(m_calls, QStringList{QStringLiteral("play ") + second});
    QCOMPARE(m_driver->Seen().size(), 1);
    QVERIFY2(m_driver->Seen().first().Text().contains(first), qPrintable(m_driver->Seen().first().Text()));
}

void TestRecordPage::exportStops_data()
{
    QTest::addColumn<bool>("programEnds");
    QTest::newRow("the busy box's Cancel") << false;
    QTest::newRow("the program's end") << true;
}

// An export of a large record stops within a bound when the operator cancels the busy box, or when the
// program's end rejects every open box and then deletes the page: the copy under way is removed and the
// record after it is not tried; the box says the export stopped.
void TestRecordPage::exportStops()
{
    QFETCH(bool, programEnds);
    const QString large = Store(m_gate, 1, At(8), At(9), 1);
    QVERIFY(!Store(m_gate, 2, At(8), At(9), 1).isEmpty());
    QVERIFY(WriteFile(large, QByteArray(8 * 1024 * 1024, 'v')));
    SearchDay({0, 1});
    QCOMPARE(Rows(), 2);
    SelectAll();

    // The copy is held after its first block until its thread is asked to stop (10 s at most), once.
    QSemaphore underWay;
    QAtomicInt blocks;
    CThreadExportFile::SetBlockHook([&underWay, &blocks](const QString&) {
        if (blocks.fetchAndAddOrdered(1) != 0)
            return;
        underWay.release();
        QElapsedTimer held;
        held.start();
        while (!QThread::currentThread()->isInterruptionRequested() &&
               held.elapsed() < TestSupport::Bound(10000))
            QThread::msleep(5);
    });
    const auto unhook = qScopeGuard([] { CThreadExportFile::SetBlockHook({}); });

    QTemporaryDir target;
    ChooseFolder(target.path());
    QElapsedTimer stopped;
    bool cancelable = false;
    m_driver->Answer([&](QWidget* busy) {
        QVERIFY(underWay.tryAcquire(1, TestSupport::Bound(10000)));
        auto* cancel = busy->findChild<QPushButton*>(QStringLiteral("pCancelBtn"));
        cancelable = cancel != nullptr && cancel->isVisible();
        stopped.start();
        if (programEnds)
            qobject_cast<QDialog*>(busy)->reject(); // as the program's end closes every box
        else if (cancelable)
            cancel->click();
    });
    m_driver->Accept();
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    if (programEnds)
        m_page.reset();
    QVERIFY(stopped.isValid());
    QVERIFY2(stopped.elapsed() < TestSupport::Bound(5000), qPrintable(QString::number(stopped.elapsed())));
    QVERIFY(cancelable);
    QCOMPARE(m_driver->Seen().size(), 3);
    QCOMPARE(m_driver->Seen().at(1).title, QStringLiteral("Exporting..."));
    QCOMPARE(m_driver->Seen().last().Text(),
             QStringLiteral("Export stopped. The files copied before stay in the folder."));
    QCOMPARE(FilesUnder(target.path()), QStringList());
}

void TestRecordPage::exportToASilentVolume_data()
{
    QTest::addColumn<bool>("programEnds"); // else the volume's bound passes
    QTest::newRow("the bound passes") << false;
    QTest::newRow("the program's end") << true;
}

// An export into a folder whose volume stops answering (a FUSE view whose daemon is stopped, as a share
// whose server went silent), through the page's own button: within the bound the box names the volume as
// not answering for each record, and the program's end (every box rejected, the page deleted) waits for
// nothing; the window's loop turns all along.
void TestRecordPage::exportToASilentVolume()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, programEnds);
    const QStringList records{Store(m_gate, 1, At(8), At(9), 1), Store(m_gate, 2, At(8), At(9), 1)};
    QVERIFY(!records.contains(QString()));
    SearchDay({0, 1});
    QCOMPARE(Rows(), 2);
    SelectAll();

    QTemporaryDir under;
    QTemporaryDir view;
    QProcess bindfs;
    bindfs.setProcessChannelMode(QProcess::MergedChannels);
    bindfs.start(QStringLiteral("bindfs"), {"-f", under.path(), view.path()});
    const auto resume = [&bindfs] { ::kill(pid_t(bindfs.processId()), SIGCONT); };
    const auto unmount = qScopeGuard([&] {
        resume();
        TestSupport::Unmount(view.path());
        if (!bindfs.waitForFinished(TestSupport::Bound(10000)))
            bindfs.kill();
        bindfs.waitForFinished();
    });
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view.path()) && waited.elapsed() < TestSupport::Bound(10000))
        QThread::msleep(10);
    QVERIFY2(CDriveMap::IsMountPoint(view.path()), qPrintable(QString::fromLocal8Bit(bindfs.readAll())));
    const int bound = programEnds ? 30000 : 1500;
    CThreadExportFile::SetVolumeBound(bound);
    const auto boundBack = qScopeGuard([] { CThreadExportFile::SetVolumeBound(0); });
    QVERIFY(::kill(pid_t(bindfs.processId()), SIGSTOP) == 0);

    const QString chosen = view.filePath(QStringLiteral("export"));
    ChooseFolder(chosen);
    QElapsedTimer took;
    int turns = 0;
    QTimer turning;
    connect(&turning, &QTimer::timeout, [&turns] { ++turns; });
    turning.start(50);
    if (programEnds) {
        m_driver->Answer([&took](QWidget* busy) {
            QTest::qWait(300); // surely waiting on the volume by now
            took.start();
            qobject_cast<QDialog*>(busy)->reject(); // as the program's end closes every box
        });
        m_driver->Accept();
    } else {
        m_driver->AcceptPassingBusy(2);
        took.start();
    }
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    if (programEnds)
        m_page.reset();
    QVERIFY2(took.elapsed() < TestSupport::Bound(programEnds ? 2000 : bound + 3000),
             qPrintable(QString::number(took.elapsed())));
    QVERIFY2(turns >= (programEnds ? 3 : bound / 50 / 2), qPrintable(QString::number(turns)));
    // The calls left on the volume end once it answers again.
    resume();
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, TestSupport::Bound(10000));
    QCOMPARE(m_driver->Seen().size(), 3);
    const QString text = m_driver->Seen().last().Text();
    if (programEnds) {
        QCOMPARE(text, QStringLiteral("Export stopped. The files copied before stay in the folder."));
        return;
    }
    QVERIFY2(text.startsWith(QStringLiteral("Export failed!")), qPrintable(text));
    for (const QString& record : records)
        QVERIFY2(text.contains(QStringLiteral("Not exported: ") + record +
                               QStringLiteral(" cannot be written to ")),
                 qPrintable(text));
    QCOMPARE(text.count(QStringLiteral(": the volume of the export folder ") + chosen +
                        QStringLiteral(" does not answer.")),
             2);
}

// The folder dialog opens over the page's window wherever that window was moved, never at the screen's
// centre.
void TestRecordPage::exportDialogFollowsTheWindow()
{
    QVERIFY(!Store(m_gate, 1, At(8), At(9), 1).isEmpty());
    QWidget window;
    window.setGeometry(10, 20, 420, 320);
    m_page->setParent(&window);
    const auto unparent = qScopeGuard([this] { m_page->setParent(nullptr); });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SearchDay({0});
    SelectAll();
    QPoint offset(-1000, -1000);
    m_driver->Answer([&offset, &window](QWidget* dialog) {
        QVERIFY(qobject_cast<CExportRecord*>(dialog) != nullptr);
        offset = dialog->frameGeometry().center() - window.frameGeometry().center();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    QVERIFY2(std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

bool TestRecordPage::Plant(int channel, int count)
{
    const QString stored = Store(m_gate, channel, At(23), At(23, 30), 1);
    if (stored.isEmpty())
        return false;
    const QString day = QFileInfo(stored).path() + QLatin1Char('/');
    for (int i = 0; i < count; ++i) {
        const QString start = At(0).addSecs(i).toString(QStringLiteral("yyyyMMddhhmmss"));
        if (!WriteFile(day + start + QLatin1Char('_') + start + QStringLiteral("_1.rec"), "r"))
            return false;
    }
    return true;
}

// A search with no channel ticked asks for one rather than saying the range holds no record.
void TestRecordPage::noTickedChannelAsksForOne()
{
    QVERIFY(!Store(m_gate, 1, At(8), At(9), 1).isEmpty());
    SetRange(At(0), At(23));
    Search();
    QCOMPARE(Rows(), 0);
    QCOMPARE(Label("pLabelNoRecord"), QStringLiteral("Tick a channel under Cameras to search its records."));
    QCOMPARE(Label("pLabelSearchNote"), QString());
    Tick(0, 0);
    Search();
    QCOMPARE(Rows(), 1);
    QCOMPARE(Label("pLabelNoRecord"), QString());
}

// An unplugged disk is not a disk without records: the page names it with its cause and still lists the
// records of the disk that is there; the next search over whole disks drops the words.
void TestRecordPage::diskNotThereIsNamed()
{
    const QString stored = Store(m_gate, 1, At(8), At(9), 1);
    QVERIFY(!stored.isEmpty());
    auto unplugged = std::make_unique<QTemporaryDir>();
    QVERIFY(MapDrives({{'D', m_fixture->DiskPath()}, {'E', unplugged->path()}}));
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "DE");
    QCOMPARE(CreateStorage(nullptr, config), 0);
    const QString gone = unplugged->path();
    unplugged.reset();

    const QString named =
        QStringLiteral("Not searched: Disk E: the folder %1 does not exist (is its volume mounted?).")
            .arg(gone);
    SearchDay({0});
    QCOMPARE(Rows(), 1);
    QCOMPARE(Cell(0, CViewRecord::COL_PATH), stored);
    QCOMPARE(Label("pLabelSearchNote"), named);
    QCOMPARE(Label("pLabelNoRecord"), QString());
    // With nothing found elsewhere the page does not claim the range holds nothing.
    SetRange(At(10), At(11));
    Search();
    QCOMPARE(Rows(), 0);
    QCOMPARE(Label("pLabelNoRecord"), QStringLiteral("No record found on the disks that could be searched."));
    QCOMPARE(Label("pLabelSearchNote"), named);
    // Searched for several channels, the missing disk is named once all the same.
    SearchDay({0, 1});
    QCOMPARE(Rows(), 1);
    QCOMPARE(Label("pLabelSearchNote"), named);
    QCOMPARE(Label("pLabelNoRecord"), QString());

    QCOMPARE(CreateStorage(nullptr,
                           [] {
                               SYSTEM_CONFIG one;
                               CopyString26(one.Disk, "D");
                               return one;
                           }()),
             0);
    SetRange(At(0), At(23));
    Search();
    QCOMPARE(Rows(), 1);
    QCOMPARE(Label("pLabelSearchNote"), QString());
}

void TestRecordPage::recordsOnADiskNoLongerChosen_data()
{
    QTest::addColumn<QString>("oldDisk"); // what stands at the disk no longer chosen
    QTest::addColumn<QString>("note");    // %1: that disk's folder, %2: its Records
    QTest::newRow("its records") << "records"
                                 << "Also listed: the records on Disk D (%1), which is no longer chosen for "
                                    "recording.";
    QTest::newRow("its Records open to others' writes")
        << "open"
        << "Not searched: Disk D: other users may write to the folder %2 (a volume without owners must be "
           "mounted for the station's user, with no write for others).";
    QTest::newRow("a link for its Records")
        << "link"
        << "Not searched: Disk D: the folder %2 is a link, and links below a disk's folder are never "
           "followed.";
    QTest::newRow("its volume not mounted") << "volume"
                                            << "";
    QTest::newRow("no Records folder") << "empty"
                                       << "";
    QTest::newRow("its folder gone") << "gone"
                                     << "";
}

// The operator moved the record disk from D to E: the recordings still on D are found, listed with a word
// that says where they are, played and exported through the same checks as those on a chosen disk. D is
// read with the checks of a chosen disk (Records the station's own, closed to others, no link, its volume
// mounted) and is never set up: a D whose Records is refused is named as not searched, and left as it is; a
// D without Records, or gone, holds nothing known.
void TestRecordPage::recordsOnADiskNoLongerChosen()
{
    QFETCH(QString, oldDisk);
    QFETCH(QString, note);
    const QString stored = Store(m_gate, 1, At(8), At(9), 1);
    QVERIFY(!stored.isEmpty());
    const QString d = m_fixture->DiskPath();
    const QString records = d + QStringLiteral("/Records");
    QTemporaryDir e;
    QTemporaryDir empty;
    QString mapped = oldDisk == QLatin1String("empty") ? empty.path() : d;
    if (oldDisk == QLatin1String("open")) {
        QVERIFY(QFile::setPermissions(records, QFileDevice::Permissions(0x7777)));
    } else if (oldDisk == QLatin1String("link")) {
        QVERIFY(QDir().rename(records, d + QStringLiteral("/Elsewhere")));
        QVERIFY(QFile::link(d + QStringLiteral("/Elsewhere"), records));
    } else if (oldDisk == QLatin1String("gone")) {
        mapped = empty.filePath(QStringLiteral("unplugged"));
    } else if (oldDisk == QLatin1String("volume")) {
        mapped = d + QStringLiteral(" [volume]"); // its folder is then only a folder of the disk below
    }
    QVERIFY(MapDrives({{'D', mapped}, {'E', e.path()}}));
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "E");
    QCOMPARE(CreateStorage(nullptr, config), 0);

    SearchDay({0});
    const bool found = oldDisk == QLatin1String("records");
    QCOMPARE(Rows(), found ? 1 : 0);
    QCOMPARE(Label("pLabelSearchNote"),
             note.replace(QStringLiteral("%1"), d).replace(QStringLiteral("%2"), records));
    QCOMPARE(Label("pLabelNoRecord"), found            ? QString()
                                      : note.isEmpty() ? QStringLiteral("No record found in this range.")
                                                       : QStringLiteral("No record found on the disks that "
                                                                        "could be searched."));
    QCOMPARE(QFileInfo(records).permissions() & QFileDevice::WriteOther,
             oldDisk == QLatin1String("open") ? QFileDevice::WriteOther : QFileDevice::Permissions());
    QVERIFY(!QFileInfo::exists(empty.filePath(QStringLiteral("Records"))));
    if (!found)
        return;
    QCOMPARE(Cell(0, CViewRecord::COL_PATH), stored);
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    QCOMPARE(m_calls, QStringList{QStringLiteral("play ") + stored});
    SelectAll();
    QTemporaryDir target;
    ChooseFolder(target.path());
    m_driver->AcceptPassingBusy(2);
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    QTRY_VERIFY(!m_driver->Seen().isEmpty());
    QCOMPARE(m_driver->Seen().last().Text(), QStringLiteral("Export successful"));
    QCOMPARE(ReadAll(target.filePath(stored.section(QLatin1Char('/'), -3))), QByteArray(1000, 'r'));
    // A search that finds nothing there does not name the disk.
    SetRange(At(10), At(11));
    Search();
    QCOMPARE(Label("pLabelSearchNote"), QString());
}

// The Return that accepted the export dialog may still be down, or come again, when the busy box opens: the
// box's Cancel, its only button and so its focused one, must not take it and stop the export just started.
void TestRecordPage::returnThatStartedTheExportDoesNotStopIt()
{
    QVERIFY(!Store(m_gate, 1, At(8), At(9), 1).isEmpty());
    SearchDay({0});
    QCOMPARE(Rows(), 1);
    SelectAll();
    // The copy is held at its first block until the keys were sent, so the box is up for them.
    QSemaphore underWay;
    QAtomicInt go;
    CThreadExportFile::SetBlockHook([&underWay, &go](const QString&) {
        underWay.release();
        QElapsedTimer held;
        held.start();
        while (go.loadAcquire() == 0 && !QThread::currentThread()->isInterruptionRequested() &&
               held.elapsed() < TestSupport::Bound(10000))
            QThread::msleep(5);
    });
    const auto unhook = qScopeGuard([] { CThreadExportFile::SetBlockHook({}); });

    QTemporaryDir target;
    m_driver->Answer([&target](QWidget* window) {
        auto* chooser = window->findChild<CPathComboBox*>(QStringLiteral("pFilePathBox"));
        chooser->addItem(target.path() + QLatin1Char('/'));
        QTimer::singleShot(0, window, [window, chooser] {
            chooser->setFocus(Qt::TabFocusReason);
            QTest::keyPress(window->windowHandle(), Qt::Key_Return);
            QTest::keyRelease(window->windowHandle(), Qt::Key_Return);
        });
    });
    bool stillBusy = false;
    m_driver->Answer([&](QWidget* busy) {
        QVERIFY(underWay.tryAcquire(1, TestSupport::Bound(10000)));
        QTest::keyPress(busy->windowHandle(), Qt::Key_Return);
        QTest::keyRelease(busy->windowHandle(), Qt::Key_Return);
        stillBusy = busy->isVisible();
        go.storeRelease(1);
    });
    m_driver->Accept();
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    QTRY_COMPARE(m_driver->Seen().size(), 3);
    QVERIFY(stillBusy);
    QCOMPARE(m_driver->Seen().last().Text(), QStringLiteral("Export successful"));
    QCOMPARE(FilesUnder(target.path()).size(), 1);
}

void TestRecordPage::listCutAtItsBound_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    // One channel past the storage's bound, and two channels whose rows together pass the page's.
    QTest::newRow("one channel") << kMaxRecordRows + 2 << 0;
    QTest::newRow("two channels") << 2600 << 2600;
}

// However many record-named files a disk holds, the page lists at most its bound of rows, the earliest first,
// and says that it left the others out.
void TestRecordPage::listCutAtItsBound()
{
    QCOMPARE(kMaxRecordRows, 5000);
    QFETCH(int, first);
    QFETCH(int, second);
    QVERIFY(Plant(1, first));
    if (second > 0)
        QVERIFY(Plant(2, second));
    SearchDay(second > 0 ? std::initializer_list<int>{0, 1} : std::initializer_list<int>{0});
    QCOMPARE(Rows(), kMaxRecordRows);
    QCOMPARE(Cell(0, CViewRecord::COL_START), At(0).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    QCOMPARE(Label("pLabelSearchNote"),
             QStringLiteral("Only the first 5000 records found are listed. Search a shorter range or fewer "
                            "channels to see the others."));
    // A search within the bound is whole again.
    SetRange(At(0), At(0, 10));
    Search();
    QCOMPARE(Rows(), second > 0 ? 2 * 601 : 601);
    QCOMPARE(Label("pLabelSearchNote"), QString());
}

void TestRecordPage::silentDiskHoldsNothing_data()
{
    QTest::addColumn<bool>("chosen"); // the silent disk is chosen for records, else only mapped
    QTest::addColumn<bool>("stop");   // the operator stops the search while the disk is silent
    QTest::newRow("a mapped letter") << false << false;
    QTest::newRow("a chosen disk") << true << false;
    QTest::newRow("stopped at a mapped letter") << false << true;
    QTest::newRow("stopped at a chosen disk") << true << true;
}

// A disk whose volume stops answering (a FUSE view whose daemon is stopped stands in for a network share
// whose server went silent) holds neither the window nor the other disk: the window goes on painting and
// taking events while it is waited for, the search ends within the disk's bound, names it as not answering
// and lists the other disk's records; Cancel in the busy box ends the search at once.
void TestRecordPage::silentDiskHoldsNothing()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, chosen);
    QFETCH(bool, stop);
    using TestSupport::Bound;

    // D: a view of the fixture's disk, which holds a record; E: a disk of its own, with another.
    QVERIFY(!Store(m_gate, 1, At(8), At(9), 1).isEmpty());
    QTemporaryDir mountPoint;
    QTemporaryDir e;
    const QString view = mountPoint.path();
    QProcess bindfs;
    bindfs.setProcessChannelMode(QProcess::MergedChannels);
    bindfs.start(QStringLiteral("bindfs"), {QStringLiteral("-f"), m_fixture->DiskPath(), view});
    QVERIFY(bindfs.waitForStarted(Bound(10000)));
    const auto pid = pid_t(bindfs.processId());
    // Whatever fails below, the view answers again before anything else is torn down, and it is never
    // silent for longer than the test's bound: the search as it was (on the window's thread, waiting as
    // long as the disk) ends the test with its failure instead of hanging it.
    std::mutex lock;
    std::condition_variable woken;
    bool over = false;
    std::thread watchdog([&] {
        std::unique_lock held(lock);
        woken.wait_for(held, std::chrono::milliseconds(Bound(30000)), [&] { return over; });
        ::kill(pid, SIGCONT);
    });
    const auto teardown = qScopeGuard([&] {
        {
            std::lock_guard held(lock);
            over = true;
        }
        woken.notify_all();
        watchdog.join();
        QElapsedTimer waited;
        waited.start();
        while (VolumeCall::CallsOut() != 0 && waited.elapsed() < Bound(30000))
            QThread::msleep(10);
        ReleaseStorage();
        TestSupport::Unmount(view);
        if (!bindfs.waitForFinished(Bound(10000)))
            bindfs.kill();
        bindfs.waitForFinished();
    });
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view) && waited.elapsed() < Bound(10000))
        QThread::msleep(10);
    QVERIFY2(CDriveMap::IsMountPoint(view), qPrintable(QString::fromLocal8Bit(bindfs.readAll())));
    QVERIFY(MapDrives({{'D', view}, {'E', e.path()}}));
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "E");
    QCOMPARE(CreateStorage(nullptr, config), 0);
    Store(m_gate, 1, At(10), At(11), 1);
    QDirIterator onE(e.path(), {QStringLiteral("20260310100000_*")}, QDir::Files,
                     QDirIterator::Subdirectories);
    QVERIFY(onE.hasNext());
    const QString other = onE.next();
    if (chosen) {
        CopyString26(config.Disk, "DE");
        QCOMPARE(CreateStorage(nullptr, config), 0);
    }
    Tick(0, 0);
    SetRange(At(0), At(23));

    // Meanwhile the window is asked to paint every 20 ms, and the longest pause between two of its timer's
    // ticks is measured.
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    int paints = 0;
    struct CPaints : QObject
    {
        int* count;
        explicit CPaints(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    m_page->installEventFilter(&counter);
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    QTimer ticker;
    ticker.setInterval(20);
    connect(&ticker, &QTimer::timeout, this, [&] {
        longestPause = std::max(longestPause, sinceTick.restart());
        m_page->update();
    });
    m_driver->SetOnTopLimit(Bound(60000));
    if (stop) {
        // Cancel, once the disk has kept the search waiting for a while.
        m_driver->Answer([](QWidget* busy) {
            QTimer::singleShot(
                500, busy, [busy] { busy->findChild<QPushButton*>(QStringLiteral("pCancelBtn"))->click(); });
        });
    }

    QVERIFY(::kill(pid, SIGSTOP) == 0);
    QElapsedTimer took;
    took.start();
    sinceTick.start();
    ticker.start();
    Search();
    const qint64 searched = took.elapsed();
    ticker.stop();
    longestPause = std::max(longestPause, sinceTick.elapsed());
    const int paintsDuring = paints;
    QVERIFY(::kill(pid, SIGCONT) == 0);

    QVERIFY2(longestPause < Bound(2000), qPrintable(QString::number(longestPause)));
    QVERIFY2(paintsDuring >= 10, qPrintable(QString::number(paintsDuring)));
    if (stop) {
        QVERIFY2(searched < 500 + Bound(4000), qPrintable(QString::number(searched)));
        QVERIFY2(Label("pLabelSearchNote")
                     .startsWith(
                         QStringLiteral("The search was stopped: only the records found before are listed.")),
                 qPrintable(Label("pLabelSearchNote")));
        return;
    }
    QVERIFY2(searched >= VolumeCall::kDefaultBoundMs - 100 &&
                 searched < VolumeCall::kDefaultBoundMs + Bound(10000),
             qPrintable(QString::number(searched)));
    QCOMPARE(Rows(), 1);
    QCOMPARE(Cell(0, CViewRecord::COL_PATH), other);
    QCOMPARE(Label("pLabelSearchNote"),
             QStringLiteral("Not searched: Disk D: the folder %1 does not answer.").arg(view));
    QCOMPARE(Label("pLabelNoRecord"), QString());
}

// A FUSE view (bindfs) of a folder whose daemon can be stopped, as a share whose server goes silent. It
// answers again before it is unmounted, and after the test's bound at the latest, whatever the test does:
// a wait that is not bounded ends the test with its failure instead of hanging it.
class CSilentView
{
public:
    bool Mount(const QString& under)
    {
        using TestSupport::Bound;
        m_bindfs.setProcessChannelMode(QProcess::MergedChannels);
        m_bindfs.start(QStringLiteral("bindfs"), {QStringLiteral("-f"), under, m_mountPoint.path()});
        if (!m_bindfs.waitForStarted(Bound(10000)))
            return false;
        m_pid = pid_t(m_bindfs.processId());
        m_watchdog = std::thread([this] {
            std::unique_lock held(m_lock);
            m_woken.wait_for(held, std::chrono::milliseconds(TestSupport::Bound(30000)),
                             [this] { return m_over; });
            ::kill(m_pid, SIGCONT);
        });
        QElapsedTimer waited;
        waited.start();
        while (!CDriveMap::IsMountPoint(Path()) && waited.elapsed() < Bound(10000))
            QThread::msleep(10);
        return CDriveMap::IsMountPoint(Path());
    }
    QString Path() const { return m_mountPoint.path(); }
    bool Stop() { return ::kill(m_pid, SIGSTOP) == 0; }
    void Resume() { ::kill(m_pid, SIGCONT); }
    ~CSilentView()
    {
        using TestSupport::Bound;
        if (m_watchdog.joinable()) {
            {
                std::lock_guard held(m_lock);
                m_over = true;
            }
            m_woken.notify_all();
            m_watchdog.join();
        }
        Resume();
        QElapsedTimer waited;
        waited.start();
        while (VolumeCall::CallsOut() != 0 && waited.elapsed() < Bound(30000))
            QThread::msleep(10);
        ReleaseStorage();
        TestSupport::Unmount(Path());
        if (!m_bindfs.waitForFinished(Bound(10000)))
            m_bindfs.kill();
        m_bindfs.waitForFinished();
    }

private:
    QTemporaryDir m_mountPoint;
    QProcess m_bindfs;
    pid_t m_pid = 0;
    std::mutex m_lock;
    std::condition_variable m_woken;
    bool m_over = false;
    std::thread m_watchdog;
};

bool TestRecordPage::ListThroughView(CSilentView* view, std::initializer_list<int> channels)
{
    for (const int channel : channels)
        if (Store(m_gate, channel + 1, At(8), At(9), 1).isEmpty())
            return false;
    if (!view->Mount(m_fixture->DiskPath()) || !MapDrives({{'D', view->Path()}}))
        return false;
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "D");
    if (CreateStorage(nullptr, config) != 0)
        return false;
    SearchDay(channels);
    return Rows() == int(channels.size()) && Cell(0, CViewRecord::COL_PATH).startsWith(view->Path());
}

// Turns the window's timer every 20 ms while alive, and keeps the longest pause between two of its ticks.
struct CLoopWatch
{
    QTimer Ticker;
    QElapsedTimer Since;
    qint64 Longest = 0;
    int Ticks = 0;
    CLoopWatch()
    {
        Ticker.setInterval(20);
        QObject::connect(&Ticker, &QTimer::timeout, [this] {
            Longest = std::max(Longest, Since.restart());
            ++Ticks;
        });
        Since.start();
        Ticker.start();
    }
    qint64 End()
    {
        Ticker.stop();
        Longest = std::max(Longest, Since.elapsed());
        return Longest;
    }
};

#define SKIP_WITHOUT_FUSE() SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only")

void TestRecordPage::playbackFromASilentDisk_data()
{
    QTest::addColumn<bool>("cancel"); // the busy box's Cancel ends the wait, else the bound passes
    QTest::newRow("the bound passes") << false;
    QTest::newRow("Cancel") << true;
}

// A Playback click on a record whose disk stopped answering holds the window no longer than the disk's
// bound: the window's loop turns all along, a busy box says that the record is being opened, and its Cancel
// ends the wait at once with nothing said; else the box names the disk's folder as not answering. Nothing
// is played.
void TestRecordPage::playbackFromASilentDisk()
{
    SKIP_WITHOUT_FUSE();
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, cancel);
    using TestSupport::Bound;
    CSilentView view;
    QVERIFY(ListThroughView(&view, {0}));
    m_calls.clear();
    m_driver->Clear();
    m_driver->SetOnTopLimit(Bound(60000));
    QElapsedTimer cancelled;
    if (cancel) {
        m_driver->Answer([&cancelled](QWidget* busy) {
            cancelled.start();
            busy->findChild<QPushButton*>(QStringLiteral("pCancelBtn"))->click();
        });
    } else {
        m_driver->AcceptPassingBusy(2);
    }
    QVERIFY(view.Stop());
    CLoopWatch loop;
    QElapsedTimer took;
    took.start();
    m_page->OnClickAction(m_records->index(0, CViewRecord::COL_PLAYBACK));
    const qint64 clicked = took.elapsed();
    const qint64 afterCancel = cancelled.isValid() ? cancelled.elapsed() : -1;
    const qint64 longestPause = loop.End();
    view.Resume();
    QVERIFY2(longestPause < Bound(2000), qPrintable(QString::number(longestPause)));
    QCOMPARE(m_calls, QStringList());
    QCOMPARE(m_driver->Failures(), QStringList());
    QVERIFY(m_driver->Seen().size() >= 1);
    QCOMPARE(m_driver->Seen().first().className, QStringLiteral("ChaseDialog"));
    QCOMPARE(m_driver->Seen().first().title, QStringLiteral("Opening the record..."));
    if (cancel) {
        QVERIFY2(afterCancel >= 0 && afterCancel < Bound(3000), qPrintable(QString::number(afterCancel)));
        QCOMPARE(m_driver->Seen().size(), 1);
        return;
    }
    QVERIFY2(clicked >= VolumeCall::kDefaultBoundMs - 100 &&
                 clicked < VolumeCall::kDefaultBoundMs + Bound(10000),
             qPrintable(QString::number(clicked)));
    QCOMPARE(m_driver->Seen().size(), 2);
    QCOMPARE(m_driver->Seen().at(1).Text(),
             QStringLiteral("The record is not played: the folder %1 of its disk does not answer.")
                 .arg(view.Path()));
}

void TestRecordPage::exportFromASilentDisk_data()
{
    QTest::addColumn<QString>("end"); // how the export ends: "bound", "cancel" or "program"
    QTest::newRow("the bound passes") << "bound";
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("the program's end") << "program";
}

// An export of records whose disk stopped answering (the export folder answers) fails each file within the
// bound, naming the disk's folder; Cancel and the program's end wait for nothing; the window's loop turns
// all along.
void TestRecordPage::exportFromASilentDisk()
{
    SKIP_WITHOUT_FUSE();
    IN_MOUNT_NAMESPACE();
    QFETCH(QString, end);
    using TestSupport::Bound;
    CSilentView view;
    QVERIFY(ListThroughView(&view, {0, 1}));
    const QStringList records{Cell(0, CViewRecord::COL_PATH), Cell(1, CViewRecord::COL_PATH)};
    SelectAll();
    const int bound = end == QLatin1String("bound") ? 1500 : 30000;
    CThreadExportFile::SetVolumeBound(bound);
    const auto boundBack = qScopeGuard([] { CThreadExportFile::SetVolumeBound(0); });
    QTemporaryDir target;
    m_driver->SetOnTopLimit(Bound(60000));
    QVERIFY(view.Stop());

    ChooseFolder(target.path());
    QElapsedTimer took;
    if (end == QLatin1String("bound")) {
        m_driver->AcceptPassingBusy(2);
        took.start();
    } else {
        const bool cancel = end == QLatin1String("cancel");
        m_driver->Answer([&took, cancel](QWidget* busy) {
            QTest::qWait(300); // surely waiting on the disk by now
            took.start();
            if (cancel)
                busy->findChild<QPushButton*>(QStringLiteral("pCancelBtn"))->click();
            else
                qobject_cast<QDialog*>(busy)->reject(); // as the program's end closes every box
        });
        m_driver->Accept();
    }
    CLoopWatch loop;
    m_page->findChild<CPushButton*>(QStringLiteral("pBtnExport"))->click();
    if (end == QLatin1String("program"))
        m_page.reset();
    const qint64 ended = took.elapsed();
    const qint64 longestPause = loop.End();
    view.Resume();
    QVERIFY2(ended < (end == QLatin1String("bound") ? bound + Bound(3000) : Bound(2000)),
             qPrintable(QString::number(ended)));
    QVERIFY2(longestPause < Bound(2000), qPrintable(QString::number(longestPause)));
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, Bound(10000));
    QCOMPARE(m_driver->Seen().size(), 3);
    const QString text = m_driver->Seen().last().Text();
    QCOMPARE(FilesUnder(target.path()), QStringList());
    if (end != QLatin1String("bound")) {
        QCOMPARE(text, QStringLiteral("Export stopped. The files copied before stay in the folder."));
        return;
    }
    QVERIFY2(text.startsWith(QStringLiteral("Export failed!")), qPrintable(text));
    for (const QString& record : records)
        QVERIFY2(text.contains(QStringLiteral("Not exported: ") + record +
                               QStringLiteral(" cannot be read: the folder ") + view.Path() +
                               QStringLiteral(" of its disk does not answer.")),
                 qPrintable(text));
}

// The words for a mapped letter the search refused (a Records folder open to others' writes) look at the
// folder again; that look is made on the search's thread: a folder that stops answering once the search
// has ended holds neither the window nor the note, which names the check the folder failed.
void TestRecordPage::refusedFolderNamedOffTheWindow()
{
    SKIP_WITHOUT_FUSE();
    IN_MOUNT_NAMESPACE();
    using TestSupport::Bound;
    QTemporaryDir under;
    const QString records = under.filePath(QStringLiteral("Records"));
    QVERIFY(QDir().mkpath(records));
    CSilentView view;
    QVERIFY(view.Mount(under.path()));
    QVERIFY(MapDrives({{'D', view.Path()}, {'E', m_fixture->DiskPath()}}));
    // D was a disk of the station (it holds its mark) and is no longer chosen; since then others may write
    // to its Records.
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "DE");
    QCOMPARE(CreateStorage(nullptr, config), 0);
    QVERIFY(::chmod(QFile::encodeName(records).constData(), 0777) == 0);
    CopyString26(config.Disk, "E");
    QCOMPARE(CreateStorage(nullptr, config), 0);
    // The folder stops answering once the search has ended (its busy box closes), before the window takes
    // its outcome; the view's own caches are let go first (FUSE keeps what it looked up for a second).
    struct CAtSearchEnd : QObject
    {
        CSilentView* View;
        explicit CAtSearchEnd(CSilentView* view) : View(view) {}
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Hide && watched->inherits("ChaseDialog") && View) {
                View->Stop();
                View = nullptr;
                QThread::msleep(1500);
            }
            return false;
        }
    } atSearchEnd(&view);
    qApp->installEventFilter(&atSearchEnd);
    m_driver->SetOnTopLimit(Bound(60000));
    CLoopWatch loop;
    QElapsedTimer took;
    took.start();
    SearchDay({0});
    const qint64 searched = took.elapsed();
    const qint64 longestPause = loop.End();
    view.Resume();
    QVERIFY2(searched < Bound(5000), qPrintable(QString::number(searched)));
    QVERIFY2(longestPause < 1500 + Bound(2000), qPrintable(QString::number(longestPause)));
    QCOMPARE(Label("pLabelSearchNote"),
             QStringLiteral("Not searched: Disk D: other users may write to the folder %1 (a volume without "
                            "owners must be mounted for the station's user, with no write for others).")
                 .arg(view.Path() + QStringLiteral("/Records")));
}

void TestRecordPage::letterHoldingADisksMark_data()
{
    // moved: D's folder now stands at F (another folder at D); twice: a link at G leads to it too; merged:
    // E, chosen too, leads to D's folder; strangers: mapped letters of volumes the station never used, whose
    // Records it cannot search.
    QTest::addColumn<bool>("moved");
    QTest::addColumn<bool>("twice");
    QTest::addColumn<bool>("merged");
    QTest::addColumn<bool>("strangers");
    QTest::newRow("a moved disk found through another letter") << true << false << false << false;
    QTest::newRow("a moved disk reached through two letters") << true << true << false << false;
    QTest::newRow("two chosen letters merged into one disk") << false << false << true << false;
    QTest::newRow("only letters chosen or written to are named") << true << false << false << true;
}

// A disk is the one whose Records holds its mark, whatever letter it is found at. Chosen D and E; D's folder
// was moved away (another folder stands at D, so D is waited for) and now stands at F, a letter only
// searched: its records are listed from there, said as found on a disk not chosen, and D is named as not
// searched with the reason the set-up gives. A disk reached through two letters, or two chosen letters
// merged into one disk, is searched once: each record listed once, never also as found elsewhere. Letters
// of volumes the station never used are not named.
void TestRecordPage::letterHoldingADisksMark()
{
    QFETCH(bool, moved);
    QFETCH(bool, twice);
    QFETCH(bool, merged);
    QFETCH(bool, strangers);
    QTemporaryDir base;
    const QString d = base.filePath(QStringLiteral("d"));
    const QString e = base.filePath(QStringLiteral("e"));
    const QString f = base.filePath(QStringLiteral("f"));
    const QString g = base.filePath(QStringLiteral("g"));
    QVERIFY(QDir().mkpath(d) && QDir().mkpath(e));
    SYSTEM_CONFIG config;
    QStringList expected;
    if (merged) {
        QVERIFY(QFile::link(d, e + QStringLiteral("-link")));
        QVERIFY(MapDrives({{'D', d}, {'E', e + QStringLiteral("-link")}}));
        CopyString26(config.Disk, "DE");
        QCOMPARE(CreateStorage(nullptr, config), 0);
        expected << Store(m_gate, 1, At(8), At(9), 1, d);
        // Set up again, as at the next start: both letters keep the one mark.
        QCOMPARE(CreateStorage(nullptr, config), 0);
    } else {
        QVERIFY(MapDrives({{'D', d}, {'E', e}}));
        CopyString26(config.Disk, "D");
        QCOMPARE(CreateStorage(nullptr, config), 0);
        const QString onD = Store(m_gate, 1, At(8), At(9), 1, d);
        CopyString26(config.Disk, "E");
        QCOMPARE(CreateStorage(nullptr, config), 0);
        expected << Store(m_gate, 1, At(10), At(11), 1, e);
        QVERIFY(!onD.isEmpty());
        QVERIFY(moved);
        QVERIFY(QDir().rename(d, f) && QDir().mkpath(d));
        expected << QString(onD).replace(d, f);
    }
    QMap<char, QString> drives{{'D', d}, {'E', merged ? e + QStringLiteral("-link") : e}};
    if (moved)
        drives['F'] = f;
    if (twice) {
        QVERIFY(QFile::link(f, g));
        drives['G'] = g;
    }
    QTemporaryDir linked, open, elsewhere;
    if (strangers) {
        // Another user's volumes: one whose Records is a link, one whose Records others may write to.
        QVERIFY(QFile::link(elsewhere.path(), CStowelineClass::RecordRootOf(linked.path())));
        const QString records = CStowelineClass::RecordRootOf(open.path());
        QVERIFY(QDir().mkpath(records) && ::chmod(QFile::encodeName(records).constData(), 0777) == 0);
        drives['H'] = linked.path();
        drives['I'] = open.path();
    }
    QVERIFY(MapDrives(drives));
    CopyString26(config.Disk, "DE");
    QCOMPARE(CreateStorage(nullptr, config), 0);

    SearchDay({0});
    QStringList listed;
    for (int row = 0; row < Rows(); ++row)
        listed << Cell(row, CViewRecord::COL_PATH);
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
    QStringList notes;
    if (moved) {
        notes << QStringLiteral(
                     "Not searched: Disk D: the folder %1 is not the disk that was set up there (it "
                     "holds no Records folder with the mark of that disk); it is neither written "
                     "nor searched until that disk is back, or the disk is chosen again in the disk "
                     "settings. To use this folder as the disk instead, untick the disk in the disk "
                     "settings, tick it again and press OK.")
                     .arg(d);
        notes << QStringLiteral("Also listed: the records on Disk F (%1), which is no longer chosen for "
                                "recording.")
                     .arg(f);
    }
    QCOMPARE(Label("pLabelSearchNote"), notes.join(QLatin1Char('\n')));
    // The folder at D is neither written nor set up.
    if (moved)
        QCOMPARE(QDir(d).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

VARROW_TEST_MAIN(TestRecordPage, QApplication)
#include "tst_gui_recordpage.moc"
