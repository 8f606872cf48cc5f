// The state page shows what the storage layer tells while backups run, from the thread that wrote: a disk of
// several that is left out, and each run of deletions that made room for a record, one row each.

#include "pages/state/CViewState.h"
#include "storage/CreateStorage.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstring>
#include <thread>

class TestStorageEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storageEventsAreEventRows();
};

namespace {

// Stores one record of `blocks` blocks of 100 KiB; false when any step fails.
bool Store(const char* name, int hour, int blocks)
{
    CHANNEL_RECORD_KEY key;
    key.StartTime = {2024, 3, 3, uint8_t(hour), 0, 0, 0};
    key.StopTime = {2024, 3, 3, uint8_t(hour), 30, 0, 0};
    const QByteArray block(100 * 1024, 'r');
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    if (!storage || !storage->OpenChannelRecord(name, 0, &key))
        return false;
    for (int i = 0; i < blocks; ++i)
        if (!storage->WriteChannelRecord(name, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                         uint32_t(block.size()), &key))
            return false;
    return storage->CloseChannelRecord(name, &key);
}

} // namespace

void TestStorageEvents::storageEventsAreEventRows()
{
    CEngineFixture f(QDateTime(QDate(2024, 3, 4), QTime(12, 0)));
    f.Model().SetBackupMode(2); // idle: the page starts no backup of its own
    QTemporaryDir disks;
    const QString gone = disks.filePath(QStringLiteral("gone"));
    QVERIFY(MapDrives({{'D', f.DiskPath()}, {'E', gone}}));
    CQuotaRoots quota;
    quota.SetQuota(f.DiskPath(), (qint64(STOWELINE_INIT_PARAM().ReserveMB) << 20) + 700 * 1024);
    SetDefaultFreeSpaceProvider(quota.Provider());
    SYSTEM_CONFIG config;
    std::strcpy(config.Disk, "DE");
    config.DiskMode = 0;
    QCOMPARE(CreateStorage(CountDiskFull, config), 0);

    CModalDriver driver;
    CViewState page(nullptr);
    auto* events = page.findChild<CTableView*>(QStringLiteral("tableView_Event"));
    QVERIFY(events != nullptr);
    // As the engine writes, on a thread of its own: two records, then one that needs the room of both.
    bool stored = false;
    std::thread writer([&stored] {
        stored = Store("10.20.20.20_8000_3", 1, 3) && Store("10.20.20.20_8000_3", 2, 3) &&
                 Store("10.20.20.20_8000_3", 3, 6);
    });
    writer.join();
    QVERIFY(stored);
    TRY_COMPARE(events->model()->rowCount(), 2, TestSupport::Bound(5000));
    QCOMPARE(events->GetItemText(0, 6), "Disk E: the folder " + gone +
                                            " does not exist (is its volume mounted?). The other disks take "
                                            "the records.");
    QCOMPARE(events->GetItemText(1, 6),
             QStringLiteral("Records deleted to make room (overwrite): 2, 0.6 MB."));
    QCOMPARE(events->GetItemText(1, 2), QString()); // no plan's event
    QVERIFY(driver.Seen().isEmpty());
}

VARROW_TEST_MAIN(TestStorageEvents, QApplication)
#include "tst_gui_storageevents.moc"
