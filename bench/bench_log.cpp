// Log writes into a log that already holds 30,000 rows: each entry is an insert, a count and a pruning.
// Prints the median and 95th percentile time per entry.

#include "model/DbText.h"
#include "model/LogStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QCoreApplication app(argc, argv);
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    {
        CDbTransaction transaction(db);
        const int64_t first = QDateTime::currentSecsSinceEpoch() - 2 * LOG_MAX_ROWS;
        for (int i = 0; i < LOG_MAX_ROWS; ++i)
            db.Exec(
                "INSERT INTO Log_Table VALUES (?, 2, 10, ?)",
                {FormatDateTimeText(first + i), std::string("Reconnect 10.0.0.1  8000 channel 3 filler")});
        transaction.Commit();
    }
    std::printf("log rows before: %d\n", DbGetLogCount());

    constexpr int entries = 5000;
    std::vector<double> ms;
    ms.reserve(entries);
    for (int i = 0; i < entries; ++i) {
        const QString text =
            QStringLiteral("Download File Exceptional.Reconnect 10.0.0.%1  8000").arg(i % 250);
        const auto start = std::chrono::steady_clock::now();
        const int result = WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, text);
        const auto stop = std::chrono::steady_clock::now();
        if (result != 1) {
            std::printf("WriteLog failed at entry %d\n", i);
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("log rows after: %d\n", DbGetLogCount());
    std::printf("WriteLog into a log of %d rows, %d entries: median %.4f ms, p95 %.4f ms, max %.4f ms\n",
                LOG_MAX_ROWS, entries, ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
    return 0;
}
