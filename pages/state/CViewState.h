#pragma once

// The backup state page: owns the engine's threads and runs automatic or manual backup, and shows every
// running task list's progress, the reported failures and the day's totals.

#include "model/Records.h"
#include "pages/state/ViewStateClass.h"

#include <QDateTime>
#include <QDialog>
#include <QHash>
#include <QMutex>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CControlThread;
class CExecuteThread;
class CManualBackup;
class ChaseDialog;
class CWarnDlg;
class HierarchicalHeaderView;
class ProxyModelWithHeaderModels;
class QProgressBar;
class QStandardItemModel;
class QTimer;

class CViewState : public QDialog
{
    Q_OBJECT

public:
    explicit CViewState(QWidget* parent = nullptr);
    ~CViewState() override;

    // ---- Engine side: threads, backup modes, storage reset, full disk -------------------------------------
public:
    // Escape never closes or hides the page.
    void reject() override;

public Q_SLOTS:
    void StartWork();
    void ManualDataUpdate();
    void OnBtnAutoBackup();
    void OnBtnManualBackup();
    void AutoBackup();
    void StopTimer();
    void StartManualBackup();
    void StopManualBackup();
    void StartSearch();
    void StopSearch();
    void StopBackup(std::vector<int> plans);
    void ResetBackup(std::vector<GROUP_CHANGED> changes);
    void ResetLocal();
    void ResetManualBackup();
    void OnDiskFull();
    // A worker's stop for full disks; `disks` names them (empty: nothing to name).
    void OnDisksFull(const QString& disks);
    // A record disk that has gone or cannot be written stops the backup as a full disk does, and the box
    // says why.
    void OnDiskFailed(const QString& text);
    // A storage set-up that failed, tried again now; the running mode resumes once it succeeds.
    void RetryStorage();
    // The storage retry's timer: tries the set-up again once the engine clock has reached the time due.
    void CheckStorageRetry();
    // Stops a running manual backup and keeps its list and its mode as they are, for a change of its
    // recorders that the model may still refuse; the next ResetManualBackup resumes it.
    void PauseManualBackup();

Q_SIGNALS:
    void DiskFull();
    void StopChase();

private:
    void CreateControlThreads();
    void StartControlThreads();
    void CreateExecuteThreads();
    void StopControlThreads(bool remove);
    void StopExecuteThreads(bool remove);
    void ConnectExecuteThread(CExecuteThread* thread);
    // Stops every plan worker that still runs and waits for it.
    void WaitForPlanWorkers();
    // Stops the listed plans (only 0 to 31 with threads), waits for their threads and empties their lists;
    // the plans it stopped.
    std::vector<int> StopPlans(const std::vector<int>& requested);
    // A new round of the "Search..." box: no count and no box left from before.
    void ResetSearch();
    // Sets the storage up anew; a failure is shown in a box and the set-up is tried again later.
    void RecreateStorage();
    // The one gate of every start of the plans' threads and of the manual backup: true when there is a
    // storage object. Without one nothing may start; the set-up is tried again on the engine clock (first
    // after a minute, each wait twice the last, at most half an hour), the page shows once that the backups
    // wait for their disk, and the running mode resumes when a try succeeds.
    bool StorageReady();
    // Arms the retry unless one is due already; with `starting`, a start was held back, which the event
    // table and the log say once per wait.
    void WaitForStorage(bool starting);
    void ArmStorageRetry();
    void EndStorageWait();
    void ReportStorageBack();
    // A manual run that ended by itself: "completed" when every chosen channel was searched and every
    // listed file stored, else which channels were not backed up.
    void ReportManualEnd();
    // The end of a full-disk report, handled (a box was shown) or not; the callback may report again.
    void EndDiskFullReport(bool handled);
    // Stops the running mode once per running period and shows the text.
    void StopForDisk(const QString& text);
    // The box of a disk stop while it is open, and what it says: a second disk that failed with the first is
    // named in it too.
    QPointer<CWarnDlg> m_pDiskBox;
    QStringList m_diskStopTexts;

    friend int DiskFullCallBack(int code, int value1, int value2, int value3);
    friend class TestStateEngine;
    friend class TestSettingsRun;

    // Lets go of the full-disk callback when the page goes: under the callback's lock, so a report on its
    // way never meets a page being destroyed.
    struct CDiskFullLink
    {
        CViewState* m_page;
        ~CDiskFullLink();
    };

    bool m_bAuto = false;
    bool m_bManual = false;
    std::unique_ptr<CManualBackup> m_pManualBackup;
    std::array<std::unique_ptr<CControlThread>, MAX_GROUP_NUM> m_pControlThread;
    std::array<std::unique_ptr<CExecuteThread>, MAX_GROUP_NUM> m_pExecuteThread;
    std::array<std::unique_ptr<CExecuteThread>, MAX_GROUP_NUM> m_pPastExecuteThread;
    std::unique_ptr<QTimer> m_pManualTimer;
    // Counts the manual runs; a run's queued end that finds another number belongs to a run already gone.
    int m_manualRun = 0;
    // The manual record's channels as the kept manual list names them; empty until a manual run started.
    std::array<CHANNEL_REF, MAX_GROUP_CHANNEL_NUM> m_manualChannels{};
    bool m_bManualChannelsKnown = false;
    // The storage retry: a real-time timer that looks at the engine clock, so a scaled or pinned clock
    // moves the retries as it moves every other wait of the engine.
    QTimer* m_pStorageRetry = nullptr;
    QDateTime m_storageRetryAt; // engine-clock time of the next try; invalid while none is due
    int m_storageRetryMs = 0;   // the wait that led to it
    bool m_bStorageWaitShown = false;
    QMetaObject::Connection m_manualThreadEnd;
    std::atomic<bool> m_bDiskFullReported{false};
    QDateTime m_lastDiskFullTime;
    // The full disks as the storage's callback named them on its own thread (under the callback's mutex), so
    // the box names them without the window's thread asking the storage.
    QString m_fullDisks;
    int m_nSearchCount = 0;
    // The round of the "Search..." box that a task writer's start or end belongs to.
    std::atomic<int> m_searchRound{0};
    QPointer<ChaseDialog> m_pSearchDialog;
    bool m_bDiskFullHandled = false;
    QMutex m_diskFullMutex;
    // Last of the engine side's members, so it goes first.
    CDiskFullLink m_diskFullLink{this};
    // ---- End of the engine side ---------------------------------------------------------------------------

    // ---- Page form and manual details ---------------------------------------------------------------------
public:
    // Shows sub-page n (0 automatic, 1 manual, 2 idle) and stores n as the backup mode.
    void SetCurrentPage(int page);
    // The two mode buttons' looks after a change of m_bAuto or m_bManual; stores the mode they show.
    void UpdateButtonStyle();
    // Makes manual backup the mode and shows its range, file type and channels.
    void ShowManualDetail();
    void ResetManualDetail();

private:
    // Shows the word "red" of the overdue legend in red.
    void ShowRedLegend();

    ViewStateClass ui;

    // ---- State table and progress slots
    // --------------------------------------------------------------------
    // Every write to the tables happens on the page's thread (the engine's reports are queued to it), so the
    // tables need no lock.
public Q_SLOTS:
    void ViewStartGroupDownLoad(int plan, int isPast, long long total);
    void ViewStartChannelDownLoad(int plan, int isPast, int slot, long long total);
    // Delivered on the execute thread itself: only hands the file's times to the page's thread.
    void ViewStartFileDownLoad(int plan, int isPast, NET_DVR_TIME start, NET_DVR_TIME end);
    void ViewChannelDownloadSize(int plan, int isPast, long long done);
    void ViewGroupDownloadPos(int plan, int isPast, int percent);
    void DelGroupView(int plan);

public:
    void DelARow(GROUP_CHANGED changed, int isPast);
    void ClearStateTable();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InitModels();
    // Shares the state table's width among its columns.
    void FitStateColumns();
    void ShowFileTimes(int plan, int isPast, const NET_DVR_TIME& start, const NET_DVR_TIME& end);
    // The row key of a plan's list; false when the plan and kind name no list or the plan has no record.
    bool RowName(int plan, int isPast, QString* name);
    // The first row whose name is `name`, or -1.
    int FindRow(const QString& name) const;
    // The row of a plan's list, or -1 (with a trace naming the caller); `rowName` gets the row's name.
    int FindListRow(int plan, int isPast, const char* caller, QString* rowName = nullptr);
    void RenumberRows();
    void SetCenteredText(int row, int column, const QString& text);
    void SetRed(int row, int column);
    QProgressBar* RowBar(int row, int column) const;
    // Shows the figures reported since the last time.
    void ShowProgress();
    void ScheduleProgress();

    QStandardItemModel* m_pStateModel = nullptr;
    QStandardItemModel* m_pHeaderModel = nullptr;
    ProxyModelWithHeaderModels* m_pProxyModel = nullptr;
    HierarchicalHeaderView* m_pHeaderView = nullptr;
    // What a list's latest reports will show; -1 and a null text: nothing new.
    struct PENDING_PROGRESS
    {
        int groupBar = -1;
        int channelBar = -1;
        QString complete;
    };
    QHash<QString, PENDING_PROGRESS> m_pendingProgress; // by row name
    bool m_bDoneFiguresPending = false;
    QTimer* m_pProgressTimer = nullptr;
    mutable QHash<QString, int> m_rowOfName;
    mutable bool m_bRowIndexValid = false;

    // ---- Event table and day totals
    // ------------------------------------------------------------------------
public Q_SLOTS:
    void WriteTableEvent(int plan, int isPast, int device, QString detail);
    void SetDayDownLoad(int doneMB, int plan, int isPast);
    void dataUpdate();
    void IncDownLoadNum();
    void DecDownLoadNum();

public:
    void GetBackUpSize();
    void ResetDayTotals();

    // The event table keeps this many of its newest rows: a station that runs for weeks does not grow.
    static constexpr int kEventRowsKept = 5000;

private:
    void InitEventTable();
    void RenumberEvents();
    void SetEventId(int row);
    void ShowDoneFigures();
    // Whether no list row of the kind (0 current, 1 overdue) shows a share below 100: a list that ended with
    // files given up keeps the day's figure below 100 %, however its megabytes round.
    bool ListsComplete(int isPast) const;

    // Scrolls the event table to its newest row once after a burst of appends.
    QTimer* m_pEventScrollTimer = nullptr;
    // An event alike in day, plan, kind, recorder and text to one still in the table keeps that first row and
    // is counted in one row of its own, moved below the newest at each repeat: a recorder or a disk that
    // fails without end never pushes the other events out.
    struct EVENT_REPEAT
    {
        QPersistentModelIndex first;
        QPersistentModelIndex count;
        int repeats = 0;
    };
    QHash<QString, EVENT_REPEAT> m_eventRepeats;

    QTimer* m_pTimer = nullptr;
    QDateTime m_startTime;
    QDateTime m_curTime;
    int m_nElapsed = 0;
    int m_nDownLoadNum = 0;
    uint32_t m_dayDownLoad[MAX_GROUP_NUM][2] = {};
    uint32_t m_nTotal = 0;
    uint32_t m_nAlready = 0;
    uint32_t m_nPercent = 0;
    uint32_t m_nOverdueTotal = 0;
    uint32_t m_nOverdueAlready = 0;
    uint32_t m_nOverduePercent = 0;
};

// The name of a recording's file type as the manual details show it.
QString GetFileTypeName(int fileType);

// The page that the storage layer's full-disk callback reaches; null when there is none.
extern std::atomic<CViewState*> g_pViewState;
// True until the first full disk of the process was reported.
extern std::atomic<bool> g_bFirstDiskFull;

// The storage layer's full-disk callback: code 1 means the record disks are full. Runs on the storage layer's
// thread; hands the report to the page's thread. Always 1.
int DiskFullCallBack(int code, int value1, int value2, int value3);
