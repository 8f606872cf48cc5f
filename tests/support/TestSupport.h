#pragma once

// What every test shares: a program directory of its own, so no test ever reads or writes the user's files.

#include <QCoreApplication>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <string>

// A temporary program directory; the program's paths point into it while it lives.
class CTempAppDir
{
public:
    CTempAppDir();

    bool IsValid() const { return m_dir.isValid(); }
    QString Path() const { return m_dir.path(); }
    // A path inside the directory.
    QString FilePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

namespace TestSupport {
// Runs before the application object exists: headless platform, and the process-wide temporary program dir.
// `programScreen`: a 1280 x 1024 screen instead of the headless default, which is smaller than the main window.
void PrepareProcess(bool programScreen = false);
CTempAppDir& ProcessAppDir();
// A hang guard for a wait of about `ms` on a plain build, stretched by VARROW_TEST_SLOWDOWN (a whole factor,
// set by the sanitizer runs): short enough that a fault fails its test in seconds, not at the 300 s limit.
int Bound(int ms);
// The texts of the log, oldest first.
QStringList LogTexts();
// The rows of the log whose whole text is `text` as a row holds it (control characters written out, cut to
// the row's bytes), and whose subtype is `subtype` unless it is -1.
int LogRowsOf(const QString& text, int subtype = -1);
} // namespace TestSupport

// The first column of the first row of a query on the main database (a COUNT(*) or one value); -1 when the
// query gives no row.
int CountRows(const std::string& sql);
// Makes the main database refuse an action ("INSERT", "DELETE") on a table, when `when` holds, as a full disk
// would; AllowAll lifts it.
void Refuse(const char* action, const char* table, const char* when = "");
void AllowAll();

// A whole file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);

// Every file below a folder, hidden ones too, sorted: what a disk holds after a run.
QStringList FilesUnder(const QString& dir);

// Writes the program directory's drive-letter map ("Drives.conf"), letter to directory; false on failure.
bool MapDrives(const QMap<char, QString>& drives);
// The storage layer's full-disk callback: counts in DiskFullCalls the calls that report a full disk.
int CountDiskFull(int full, int, int, int);
std::atomic<int>& DiskFullCalls();

// QTRY_VERIFY_WITH_TIMEOUT and QTRY_COMPARE_WITH_TIMEOUT, but a failure costs the bound once: Qt's own waits
// on twice as long again, to say how long would have done, and a fault would cost three bounds.
#define TRY_VERIFY(expr, ms)                                                                                 \
    do {                                                                                                     \
        [[maybe_unused]] const bool ended = QTest::qWaitFor([&] { return bool(expr); }, ms);                 \
        QVERIFY(expr);                                                                                       \
    } while (false)
#define TRY_COMPARE(expr, expected, ms)                                                                      \
    do {                                                                                                     \
        [[maybe_unused]] const bool ended = QTest::qWaitFor([&] { return (expr) == (expected); }, ms);       \
        QCOMPARE(expr, expected);                                                                            \
    } while (false)

// Like QTEST_MAIN, but every test process gets its own program directory and the offscreen platform.
#define VARROW_TEST_MAIN(TestObject, AppClass)                                                               \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        TestSupport::PrepareProcess();                                                                       \
        AppClass app(argc, argv);                                                                            \
        TestSupport::ProcessAppDir();                                                                        \
        TestObject tc;                                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
