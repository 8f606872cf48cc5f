#pragma once

// Copies chosen stored records into a folder, each under the names of the two folders above it in its stored
// path (<folder>/<A>/<B>/<file>).
//
// A record is read only as the storage reaches it (OpenStoredRecord): a path where something else now stands
// (a link, a pipe, a device, a folder) or that cannot be read fails that file alone, with a line that names
// it (SendFileFailed), and the others are copied. The copy is the operator's alone, as the stored record is:
// it is created 0600, in folders made 0700, and no folder below the chosen one is reached through a link.
// The chosen folder is used only when it is the program's user's (or the system's) and nobody else may
// rename entries in it (no write for the group or others, or a sticky bit); below it the name and day
// folders only when they are the program's user's and closed to others' writes. Any other folder there
// fails the file with a line naming the folder. The copy goes to a hidden temporary
// name beside its target first and replaces the target only when it is whole, so a failed or stopped copy
// never destroys an earlier export.
//
// Every call on the chosen folder's volume is made on a thread of its own and waited for within a bound
// (platform/VolumeCall.h): a volume that does not answer fails the files with a line naming it, within the
// bound, and a stop ends the wait at once; the call left behind ends by itself when the volume answers.
//
// The export stops at the next block of at most 1 MiB once an interruption is requested (the busy box's
// Cancel, the end of the page or of the program; the destructor asks for it too): the copy under way is
// removed, the ones before it stay.

#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

class CThreadExportFile : public QThread
{
    Q_OBJECT

public:
    // What SendWriteOver reports.
    enum RESULT
    {
        EXPORT_FAILED = 0,  // at least one file was not copied; each was named by SendFileFailed
        EXPORT_DONE = 1,    // every file copied
        EXPORT_STOPPED = 2, // interrupted: the copies made before stay
    };

    explicit CThreadExportFile(QObject* parent);
    ~CThreadExportFile() override;

    // Called before the start.
    void SetExportParam(const QStringList& files, const QString& folder);

    // Where a source goes: false for a source whose last three "/" parts are not all plain names (fewer than
    // three parts, or an empty part, "." or ".."), which could land outside the chosen folder.
    static bool TargetOf(const QString& source, const QString& folder, QString* targetDir,
                         QString* targetFile);

    // How long a call on the export folder's volume is waited for before the volume is named as not
    // answering; 0 sets the program's own bound again (for tests).
    static void SetVolumeBound(int ms);

    // For tests that must act while a copy is under way: called on the export's thread after each block
    // written, with the source's path. An empty function removes it.
    using BlockHook = std::function<void(const QString& source)>;
    static void SetBlockHook(BlockHook hook);

Q_SIGNALS:
    // One file not copied: its path and why.
    void SendFileFailed(const QString& line);
    void SendWriteOver(int result);

protected:
    void run() override;

private:
    // One file as above; false with *error set when it was not copied, or with *stopped set when the export
    // was interrupted during its copy.
    bool ExportOne(const QString& source, QString* error, bool* stopped);

    QStringList m_fileList;
    QString m_exportPath;
};
