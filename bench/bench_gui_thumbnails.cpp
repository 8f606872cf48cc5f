// The channel chooser's worst case: 32 recorders of 64 channels as thumbnail groups. Measures building the
// groups one by one (each addition lays out and shows the page again), showing every page in turn, and
// showing one group alone and all again, as choosing a recorder in the chooser's list does. Half the channels
// have a snapshot file, half show the default picture. Prints totals, per-page median and worst times.

#include "tests/support/TestSupport.h"
#include "widgets/thumbnails/CPageInfo.h"
#include "widgets/thumbnails/CPictureGroup.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QApplication app(argc, argv);
    constexpr int groups = 32;
    constexpr int channels = 64;

    // Snapshots as the loader writes them: 704 x 576 JPEG files, one per channel.
    QImage snapshot(704, 576, QImage::Format_RGB32);
    QStringList files;
    for (int i = 0; i < 8; ++i) {
        snapshot.fill(QColor::fromHsv(i * 40, 120, 200));
        const QString path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("ch%1.jpg").arg(i));
        snapshot.save(path, "JPEG", 80);
        files << path;
    }

    CPictureGroup group;
    group.SetSizes(28, 96, 75, 25);
    group.resize(580, 560);
    group.show();
    Settle();

    auto start = std::chrono::steady_clock::now();
    for (int g = 0; g < groups; ++g) {
        QStringList paths;
        for (int c = 0; c < channels; ++c)
            paths << (c % 2 == 0 ? files.at(c % files.size())
                                 : QStringLiteral("/nonexistent/%1/%2.jpg").arg(g).arg(c));
        group.AddGroup(QStringLiteral("Recorder %1").arg(g + 1), paths);
    }
    Settle();
    const double buildMs = MsSince(start);
    const int pages = group.GetPageCount();
    std::printf("built %d groups x %d thumbnails in %.1f ms (%.2f ms per group), %d pages\n", groups,
                channels, buildMs, buildMs / groups, pages);

    std::vector<double> pageMs;
    start = std::chrono::steady_clock::now();
    for (int round = 0; round < 3; ++round) {
        for (int p = 1; p <= pages; ++p) {
            const auto one = std::chrono::steady_clock::now();
            group.GetPageBar()->SetPage(static_cast<uint>(p));
            Settle();
            pageMs.push_back(MsSince(one));
        }
    }
    const double pagingMs = MsSince(start);
    std::sort(pageMs.begin(), pageMs.end());
    std::printf("paged %zu times in %.1f ms: median %.2f ms, worst %.2f ms per page\n", pageMs.size(),
                pagingMs, pageMs.at(pageMs.size() / 2), pageMs.back());

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        group.GetPageBar()->SetPage(1);
        group.SetExpandGroup(static_cast<uint>(i % groups) + 1);
        group.SetExpandGroup(0);
        Settle();
    }
    std::printf("single out and show all again, 20 times: %.1f ms\n", MsSince(start));

    start = std::chrono::steady_clock::now();
    group.ClearGroups();
    Settle();
    std::printf("cleared in %.1f ms\n", MsSince(start));
    return 0;
}
