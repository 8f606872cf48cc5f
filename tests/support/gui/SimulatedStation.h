#pragma once

// The whole station over simulated days: the real main window over a temporary program directory, the scaled
// engine clock and four plans, each over a recorder of its own: one healthy, one that refuses every login,
// one whose play-backs drop halfway once a day, and one that goes away in the middle of every other night and
// comes back at noon. Each day's night window (01:00 to 05:00) fetches the day before's recordings. A day's
// run checks what a user must be able to trust and collects what the long-run benchmark reports; the checks'
// own work is not counted as the GUI thread's.

#include "tests/support/FakeSmtpServer.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/gui/ModalDriver.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CSysInfoManage;
class CVarrow;

// What one simulated day left.
struct STATION_DAY
{
    int Day = 0;                    // from 0
    std::array<int, 4> Stored = {}; // whole stored copies per recorder, all days so far
    int OverdueFiles = 0;           // files on the overdue lists after the night's window closed
    int EventRows = 0;              // rows of the state page's event table
    int LogRows = 0;                // rows of the log table
    int64_t ResidentKiB = 0;        // the process's memory at the day's end
    int64_t HeapKiB = 0;            // of which the allocator has handed out
    double GuiCpuSeconds = 0;       // the GUI thread's CPU over the day, the checks' own work left out
    double RealSeconds = 0;         // real time the day took
};

class CVarrow;

// Closes the main window through its title bar's close button, confirmed, as the operator does; true when it
// went down. The confirmed close ends the event loop with a queued quit: a loop of our own takes it, as
// main's would. A close that hangs ends that loop after `guardMs`, and the caller sees that the window did
// not go.
bool CloseMainWindowConfirmed(std::unique_ptr<CVarrow>& window, CModalDriver& driver, int guardMs = 120000);

// Ends a run of the main window over a test's own model: the window closed (or dropped when it will not
// close), the driver, the storage object and the free-space provider released, and the model put back.
void EndMainWindowRun(std::unique_ptr<CVarrow>& window, std::unique_ptr<CModalDriver>& driver,
                      CSysInfoManage* previousModel, int guardMs = 120000);

class CSimulatedStation
{
public:
    enum Recorder
    {
        HEALTHY,
        REFUSER,
        DROPPER,
        ROAMER,
        RECORDERS
    };

    // `scale`: engine time per real time. The first day is a Monday; its window fetches the Sunday before.
    explicit CSimulatedStation(double scale);
    ~CSimulatedStation();
    CSimulatedStation(const CSimulatedStation&) = delete;
    CSimulatedStation& operator=(const CSimulatedStation&) = delete;

    // Configures the recorders, the plans, the disk and the report mail, and opens the main window; false
    // (with the reason in Failures) when the window does not come up.
    bool Open();
    // Runs day `day` (0, 1, ... in order) from its midnight through its night window to `endHour` (6 to 24;
    // the roamer comes back at noon), checking as it goes.
    STATION_DAY RunDay(int day, int endHour = 24);
    // Closes the window as the operator does, confirmed.
    bool Close();

    // Everything a check found wrong, oldest first.
    const QStringList& Failures() const { return m_failures; }
    CFakeSmtpServer& Smtp() { return m_smtp; }

    static constexpr int kChannels = 2;
    static constexpr int kFilesPerDay = 2; // per channel

private:
    QDateTime At(int day, int hour) const;
    void AnswerBoxes();
    // Runs the GUI thread's event loop until the engine clock reaches `until`, checking every few
    // milliseconds that no file is marked done without its copy.
    void RunUntil(const QDateTime& until);
    // Runs the event loop until `done` holds or `realMs` pass; false when it never held.
    bool WaitFor(const std::function<bool()>& done, int realMs);
    void Fail(const QString& what);
    // Every file marked done in the database has its whole copy under its final name.
    void CheckDoneHaveCopies();
    // Every file on the disk is a whole, byte-exact copy of a recording; the whole copies per recorder.
    std::array<int, RECORDERS> CheckStoredFiles();
    // The record folder of a recorder's channel.
    QString ChannelFolder(int recorder, int channel) const;
    QString StoredCopy(int recorder, int channel, const QDateTime& start, const QDateTime& stop) const;
    qint64 ExpectedLength(int recorder, int channel, const QDateTime& start, const QDateTime& stop);

    const double m_scale;
    const QDate m_firstDay;
    CTempDatabase m_db;
    CSysInfoManage* const m_previousModel;
    std::unique_ptr<CSysInfoManage> m_model;
    CSimRecorders m_recorders{1000, 2000};
    CScopedEngineClock m_clock;
    QTemporaryDir m_drive;
    CQuotaRoots m_quota;
    CFakeSmtpServer m_smtp;
    std::unique_ptr<CModalDriver> m_driver;
    std::unique_ptr<CVarrow> m_window;
    std::array<CRecorderSim*, RECORDERS> m_sims = {};
    std::array<int, RECORDERS> m_devices = {};
    QHash<QString, qint64> m_lengths; // expected copy lengths, by recorder, channel and range
    QStringList m_failures;
    double m_checkCpu = 0;
};
