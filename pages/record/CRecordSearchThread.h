#pragma once

// The record page's searches, one at a time, on a thread the page keeps for its whole life: a disk that
// keeps a search waiting keeps only this thread waiting, never the window. The storage keeps each thread's
// last answer, so one thread for every search also keeps one answer, not one per search.

#include "pages/record/RecordSearch.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

class CRecordSearchThread : public QThread
{
    Q_OBJECT

public:
    struct JOB
    {
        std::shared_ptr<CStowelineClass> Storage;
        std::vector<SEARCH_CHANNEL> Channels;
        STOWELINE_TIME From;
        STOWELINE_TIME To;
        QList<int> Types;
    };

    explicit CRecordSearchThread(QObject* parent = nullptr);
    // Stops the search, if one runs, and ends the thread.
    ~CRecordSearchThread() override;

    // Starts `job` once the search before has ended.
    void Search(JOB job);
    // The running search ends at its next look at a disk, with what it found so far.
    void Stop();
    // Waits for the search started last to end (at once after a Stop, else within the disks' bounds) and
    // takes its outcome.
    RECORD_SEARCH_OUTCOME TakeOutcome();

Q_SIGNALS:
    // The search started last has ended: its outcome is ready.
    void SearchEnded();

protected:
    void run() override;

private:
    std::atomic<bool> m_stop{false};
    // Standard primitives rather than Qt's: a thread sanitizer sees both halves of their wait.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<JOB> m_job; // handed, not taken yet
    bool m_busy = false;      // a search is handed or running
    bool m_quit = false;
    RECORD_SEARCH_OUTCOME m_outcome;
};
