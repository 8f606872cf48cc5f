// The record page's search at its largest: 3 days of 64 ticked channels with 10,000 stored files, searched
// through the storage layer and shown in the result table (type "All", so one storage search per channel).
// Prints the storage searches alone and the whole click (search, file checks, rows, painting), best of five.
//
//     bench_gui_recordsearch [--grab page.png] [--recorder NAME]
// saves a picture of the main window showing the page with its results, and names the recorder.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "pages/record/CExportRecord.h"
#include "pages/record/CViewRecord.h"
#include "pages/record/RecordSearch.h"
#include "storage/CreateStorage.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/ItemDataRole.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardItemModel>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kChannels = 64;
constexpr int kFiles = 10000;
constexpr int kRuns = 5;
const QDate kFirstDay(2026, 3, 8);

bool StoreAll(const DEVICE_INFO& device)
{
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    const QDateTime first(kFirstDay, QTime(0, 0));
    const int perChannel = (kFiles + kChannels - 1) / kChannels;
    const qint64 step = 3 * 24 * 3600 / perChannel;
    const QByteArray data(4096, 'v');
    int stored = 0;
    for (int channel = 1; channel <= kChannels && stored < kFiles; ++channel) {
        const QByteArray name =
            QString::asprintf("%s_%d_%d", device.DeviceIP, int(device.Port), channel).toLatin1();
        for (int i = 0; i < perChannel && stored < kFiles; ++i, ++stored) {
            CHANNEL_RECORD_KEY key;
            key.StartTime = CompactTime(first.addSecs(i * step));
            key.StopTime = CompactTime(first.addSecs(i * step + step - 1));
            key.FileType = uint32_t(1 + i % 3);
            if (!storage->OpenChannelRecord(name.constData(), 0, &key) ||
                !storage->WriteChannelRecord(name.constData(), 2,
                                             reinterpret_cast<const uint8_t*>(data.constData()),
                                             uint32_t(data.size()), &key) ||
                !storage->CloseChannelRecord(name.constData(), &key))
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Every stored file is synced before it counts as stored: on memory-backed storage the set-up takes
    // seconds instead of minutes. The searches read cached directories either way.
    if (qEnvironmentVariableIsEmpty("TMPDIR") && QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        qputenv("TMPDIR", "/dev/shm");
    TestSupport::PrepareProcess();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The program's own font, style and style sheet: the rows are painted as the operator sees them.
    COmbrixApplication app(argc, argv, QStringLiteral("VarrowBenchRecordSearch"));
    TestSupport::ProcessAppDir();
    const QStringList args = app.arguments();
    const int grabAt = int(args.indexOf(QStringLiteral("--grab")));
    const int nameAt = int(args.indexOf(QStringLiteral("--recorder")));
    const QString grabPath = grabAt > 0 ? args.value(grabAt + 1) : QString();
    const QByteArray deviceName = nameAt > 0 ? args.value(nameAt + 1).toUtf8() : QByteArray("Gate");

    CEngineFixture fixture(QDateTime(kFirstDay.addDays(3), QTime(12, 0)));
    if (fixture.SetUpStorage() != 0) {
        std::fprintf(stderr, "storage set-up failed\n");
        return 1;
    }
    const int device =
        fixture.AddDevice(CSimRecorders::MakeConfig(kChannels, {}, kFirstDay), deviceName.constData());
    if (device < 0) {
        std::fprintf(stderr, "device set-up failed\n");
        return 1;
    }
    QElapsedTimer setup;
    setup.start();
    if (!StoreAll(*fixture.Model().GetDeviceInfo(device))) {
        std::fprintf(stderr, "storing the records failed\n");
        return 1;
    }
    std::printf("stored %d files of %d channels under %s in %.0f ms (set-up, not measured)\n", kFiles,
                kChannels, qPrintable(fixture.DiskPath()), setup.nsecsElapsed() / 1e6);

    CVarrow window;
    window.OnBtnClickedViewRec();
    window.show();
    CViewRecord& page = *window.ViewRecord();
    QAbstractItemModel* tree = page.findChild<CGroupTreeView*>(QStringLiteral("pTreeGroup"))->model();
    tree->setData(tree->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    const QDateTime from(kFirstDay, QTime(0, 0));
    page.findChild<CDateTimeEdit*>(QStringLiteral("pDtFrom"))->setDateTime(from);
    page.findChild<CDateTimeEdit*>(QStringLiteral("pDtTo"))->setDateTime(from.addSecs(kMaxSearchSeconds));
    QApplication::processEvents();

    // The storage layer's part alone: one search per channel, the answers only counted.
    double bestStorage = 1e30;
    int listed = 0;
    for (int run = 0; run < kRuns; ++run) {
        RECORD_SEARCH_COND condition;
        condition.StartTime = CompactTime(from);
        condition.EndTime = CompactTime(from.addSecs(kMaxSearchSeconds));
        QElapsedTimer timer;
        timer.start();
        listed = 0;
        for (int channel = 1; channel <= kChannels; ++channel) {
            const QByteArray name =
                tree->index(channel - 1, 0, tree->index(0, 0)).data(ROLE_USER_DATA2).toString().toLatin1();
            std::memset(condition.RecordName, 0, sizeof(condition.RecordName));
            std::memcpy(condition.RecordName, name.constData(), size_t(name.size()));
            StowelineList* answer = nullptr;
            if (GetStoweline()->SearchChannelRecord(&condition, &answer) != 0)
                listed += int(answer->Count());
        }
        bestStorage = std::min(bestStorage, timer.nsecsElapsed() / 1e6);
    }

    CPushButton* search = page.findChild<CPushButton*>(QStringLiteral("pBtnSearchRecord"));
    QAbstractItemModel* rows = page.findChild<CTableView*>(QStringLiteral("pTableView"))->model();
    double bestClick = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        search->click();
        page.repaint();
        QApplication::processEvents();
        bestClick = std::min(bestClick, timer.nsecsElapsed() / 1e6);
    }
    std::printf("storage searches of %d channels: %.1f ms (%d files listed)\n", kChannels, bestStorage,
                listed);
    std::printf("search and show (%d rows): %.1f ms (target under 1000 ms)\n", rows->rowCount(), bestClick);

    if (!grabPath.isEmpty()) {
        QApplication::processEvents();
        window.grab().save(grabPath);
        // The export's folder dialog beside it.
        CExportRecord dialog(&window);
        dialog.show();
        QApplication::processEvents();
        dialog.grab().save(QString(grabPath).replace(QStringLiteral(".png"), QStringLiteral("-export.png")));
    }
    return rows->rowCount() == kFiles ? 0 : 1;
}
