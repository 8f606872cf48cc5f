#pragma once

// Writes the rows of the log page's table to an XML file on a thread of its own. The rows are copied out of
// the table's model when the export is set up, on the GUI thread, so the worker never reads an item model.
// The export stops between rows once an interruption is requested (the busy box's Cancel, the program's end).

#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class QAbstractItemModel;

class CLogWriteThread : public QThread
{
    Q_OBJECT

public:
    // What SendWriteOver reports.
    enum WRITE_RESULT
    {
        WRITE_OPEN_FAILED = 0, // the file could not be opened; nothing was written
        WRITE_DONE = 1,        // the whole document is in the file
        WRITE_FAILED = 2,      // writing, flushing or closing failed; an earlier file of that name is kept
        WRITE_REFUSED = 3,     // something other than a regular file stands at the name; it was not opened
        WRITE_STOPPED = 4,     // stopped before the file was complete; nothing was written
        WRITE_NO_ANSWER = 5,   // the chosen folder's volume did not answer within the bound
    };

    // The longest a backup may wait on its folder's volume, in all, and how long a stop waits for the write
    // to see it (so that what is said is what happened) before it is left.
    static constexpr int kWriteBoundMs = 60000;
    static constexpr int kStopGraceMs = 2000;

    CLogWriteThread();
    ~CLogWriteThread() override;

    // Call on the GUI thread before start(): keeps the path and a copy of the display texts of the model's
    // top-level rows, in table order.
    void SetWriteParam(const QString& path, const QAbstractItemModel* model);
    void SetWriteParam(const QString& path, const QList<QStringList>& rows);

    // The display texts of the model's top-level rows, one text per exported column.
    static QList<QStringList> TakeRows(const QAbstractItemModel* model);
    // Writes the document under a temporary name beside `path` (owner-only, CReplacingFile) and renames it
    // over `path` when complete; one of WRITE_RESULT. `stop` (may be empty) is asked between rows and before
    // the rename. `why` (when given) gets a line for the operator naming the file and the cause of a refusal.
    static int WriteXml(const QString& path, const QList<QStringList>& rows,
                        const std::function<bool()>& stop = {}, QString* why = nullptr);
    // WriteXml as a bounded call on the folder's volume (platform/VolumeCall): ends within `boundMs`, and
    // soon after `stop` is set, whatever the volume does. The write hears `stop` between rows and before the
    // rename; once it is left behind (the bound passed), `stop` is set for it, so it replaces nothing.
    static int WriteXmlBounded(const QString& path, const QList<QStringList>& rows, int boundMs,
                               const std::shared_ptr<std::atomic<bool>>& stop, QString* why = nullptr);

    // Stops the backup: the write under way hears it at its next row or before its rename.
    void Stop();

    // For tests of the file system's own failures at the export's last steps: called with the temporary
    // file's path before its sync to the disk, and with the chosen path before the rename onto it; a non-zero
    // errno fails that step as the file system would. Process-wide; an empty function removes it.
    using CommitFault = std::function<int(const QString& path)>;
    static void SetSyncFault(CommitFault fault);
    static void SetRenameFault(CommitFault fault);

Q_SIGNALS:
    // The line naming the cause of a refusal (empty when there is none), then the result.
    void SendWhy(const QString& why);
    void SendWriteOver(int result);

protected:
    void run() override;

private:
    QString m_strPath;
    QList<QStringList> m_rows;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};
