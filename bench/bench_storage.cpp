// Write rate through the storage layer beside a plain file write of the same size, in the same run and on the
// same file system. Both make their file durable before they stop the clock, as the layer does when it closes
// a record.

#include "storage/CStowelineClass.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kBlock = 64 * 1024;
constexpr qint64 kTotal = qint64(1024) * 1024 * 1024;
constexpr int kRounds = 3;

double PlainWrite(const QString& path, const std::vector<uint8_t>& block)
{
    QElapsedTimer timer;
    timer.start();
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    for (qint64 done = 0; done < kTotal; done += kBlock) {
        if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            ::close(fd);
            return -1;
        }
    }
    const bool ok = ::fsync(fd) == 0 && ::close(fd) == 0;
    const double seconds = timer.nsecsElapsed() / 1e9;
    QFile::remove(path);
    return ok ? seconds : -1;
}

double LayerWrite(CStowelineClass& storage, int round, const std::vector<uint8_t>& block)
{
    CHANNEL_RECORD_KEY key;
    key.StartTime = {2024, 1, 1, 0, 0, uint8_t(round), 0};
    key.StopTime = {2024, 1, 1, 1, 0, 0, 0};
    const char* name = "192.168.0.10_8000_1";
    QElapsedTimer timer;
    timer.start();
    if (!storage.OpenChannelRecord(name, 0, &key))
        return -1;
    for (qint64 done = 0; done < kTotal; done += kBlock) {
        if (!storage.WriteChannelRecord(name, done == 0 ? 1 : 2, block.data(), uint32_t(block.size()), &key))
            return -1;
    }
    if (!storage.CloseChannelRecord(name, &key))
        return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    RECORD_SEARCH_COND cond;
    std::snprintf(cond.RecordName, sizeof(cond.RecordName), "%s", name);
    cond.StartTime = key.StartTime;
    cond.EndTime = key.StopTime;
    StowelineList* list = nullptr;
    if (storage.SearchChannelRecord(&cond, &list) != 0) {
        for (const STOWELINE_PATH& p : *list)
            QFile::remove(QFile::decodeName(p.Path));
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(QStringLiteral("%1/varrow-bench-XXXXXX").arg(app.applicationDirPath()));
    if (!dir.isValid())
        return 1;
    std::vector<uint8_t> block(kBlock);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 131 + 7);

    CStowelineClass storage;
    STOWELINE_INIT_PARAM param;
    param.DiskPaths.Append(QFile::encodeName(dir.path()).constData());
    param.MaxOpenRecords = 64;
    param.Overwrite = 0; // stop mode: a full disk aborts the run instead of deleting anything
    if (!storage.Init(&param)) {
        std::printf("storage set-up failed: %d\n", storage.GetLastError());
        return 1;
    }

    // Alternating rounds, best of each, so a slow moment of the disk does not favour either side.
    double bestPlain = 0, bestLayer = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double plain = PlainWrite(dir.filePath("plain.bin"), block);
        const double layer = LayerWrite(storage, round, block);
        if (plain <= 0 || layer <= 0) {
            std::printf("write failed in round %d\n", round + 1);
            return 1;
        }
        const double mbPlain = kTotal / 1048576.0 / plain, mbLayer = kTotal / 1048576.0 / layer;
        std::printf("round %d: plain %.0f MiB/s, storage layer %.0f MiB/s\n", round + 1, mbPlain, mbLayer);
        bestPlain = std::max(bestPlain, mbPlain);
        bestLayer = std::max(bestLayer, mbLayer);
    }
    std::printf(
        "1 GiB in 64 KiB blocks, best of %d: plain %.0f MiB/s, storage layer %.0f MiB/s, ratio %.1f%% "
        "(target at least 90%%)\n",
        kRounds, bestPlain, bestLayer, 100.0 * bestLayer / bestPlain);
    return 0;
}
