#pragma once

// Copies chosen record files into a folder, each under the names of the two folders above it in its stored
// path (<folder>/<A>/<B>/<file>), then reports 1 (all copied) or 0 (a copy failed; the files before it stay
// copied, the later ones are not tried). Every copy goes to a temporary name first and replaces the target
// only when it is complete, so a failed copy never destroys an earlier export.

#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

class CThreadExportFile : public QThread
{
    Q_OBJECT

public:
    explicit CThreadExportFile(QObject* parent);
    ~CThreadExportFile() override;

    // Called before the start.
    void SetExportParam(const QStringList& files, const QString& folder);

    // Where a source goes: false for a source whose last three "/" parts are not all plain names (fewer than
    // three parts, or an empty part, "." or ".."), which could land outside the chosen folder.
    static bool TargetOf(const QString& source, const QString& folder, QString* targetDir,
                         QString* targetFile);
    // One copy as above; false when the source cannot be read or the target cannot be written.
    static bool CopyOne(const QString& source, const QString& targetDir, const QString& targetFile);

Q_SIGNALS:
    void SendWriteOver(int result);

protected:
    void run() override;

private:
    QStringList m_fileList;
    QString m_exportPath;
};
