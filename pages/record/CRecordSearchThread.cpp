#include "pages/record/CRecordSearchThread.h"

CRecordSearchThread::CRecordSearchThread(QObject* parent) : QThread(parent) {}

CRecordSearchThread::~CRecordSearchThread()
{
    m_stop = true;
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    wait();
}

void CRecordSearchThread::Search(JOB job)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        m_stop = false;
        m_job = std::move(job);
        m_busy = true;
    }
    m_changed.notify_all();
    if (!isRunning())
        start();
}

void CRecordSearchThread::Stop()
{
    m_stop = true;
}

RECORD_SEARCH_OUTCOME CRecordSearchThread::TakeOutcome()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    return std::move(m_outcome);
}

void CRecordSearchThread::run()
{
    for (;;) {
        std::optional<JOB> job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_quit || m_job.has_value(); });
            if (m_quit)
                return;
            job.swap(m_job);
        }
        RECORD_SEARCH_OUTCOME outcome = RunRecordSearch(*job->Storage, job->Channels, job->From, job->To,
                                                        job->Types, [this] { return m_stop.load(); });
        outcome.Gaps.Describe([this] { return m_stop.load(); });
        // The page holds the storage too: it is never destroyed here.
        job.reset();
        {
            std::lock_guard lock(m_mutex);
            m_outcome = std::move(outcome);
        }
        // Said before the search counts as ended: a page that took this outcome never gets its signal late,
        // in the middle of its next search.
        emit SearchEnded();
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_changed.notify_all();
    }
}
