#pragma once

// Reads the log entries of a time range and hands them to the log page as ready-made table rows, 500 at a
// time, waiting after each batch until the page has shown it (Resume) or the search is cancelled (Stop).

#include "widgets/views/CTreeViewItem.h"

#include <QList>
#include <QStringList>
#include <QThread>

#include <condition_variable>
#include <mutex>

// Only declared: the log record header must stay out of the headers that the GUI's meta-object code sees,
// since the model's progress record and the progress box's one share a name.
struct LOG_INFO;

class CLogSearchThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int BATCH_ROWS = 500;

    explicit CLogSearchThread(QObject* parent = nullptr);
    // Stops the search and waits for the thread.
    ~CLogSearchThread() override;

    // Only while the thread is not running. type 0 is every type; start and end are seconds since 1970, both
    // included. Also clears a stop left from an earlier search, so a stop that comes after this is never
    // lost.
    void SetSearchParam(int type, qint64 start, qint64 end);
    void Stop();
    // The page has shown the last batch: build the next one.
    void Resume();

    // The four cell texts of one table row: running number, local time, subtype text, the entry's text.
    static QStringList RowTexts(const LOG_INFO& info, int number);
    static QString SubTypeText(int subtype);
    static QString TimeText(qint64 secs);

Q_SIGNALS:
    // One batch of rows without parent, for the receiver to take over; shown counts the rows once this batch
    // is appended, found the rows of the whole search. An empty search sends one empty batch with 1 of 1.
    void SetInfoToView(QList<CTreeViewItem*> items, int shown, int found);

protected:
    void run() override;

private:
    bool StopRequested();

    bool m_bStop = false;
    int m_nLogType = -1;
    qint64 m_nStartTime = 0;
    qint64 m_nEndTime = 0;
    // Standard primitives rather than Qt's: a thread sanitizer sees both halves of their wait.
    std::condition_variable m_waitResume;
    std::mutex m_mutex;
};
