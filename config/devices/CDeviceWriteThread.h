#pragma once

// Imports recorders from another database file on a thread of its own while the device page's busy box
// turns. Each row of the file's TInfo_Device table is checked as the add dialog checks its fields; a row
// that passes is added with a login, as a device typed by hand. The rows are read one at a time (a file may
// hold any number), the import ends when no device slot is left, and the operator may stop it between rows.

#include <QString>
#include <QThread>

#include <functional>

// What an import did; sent with the result.
struct DEVICE_IMPORT_COUNTS
{
    int Rows = 0;    // rows read from the file
    int Added = 0;   // devices added
    int Skipped = 0; // rows whose fields the dialog would refuse
    int Refused = 0; // rows the model refused: a duplicate, a failed login, no free slot, a database refusal
    int Left = 0;    // rows not handled: no device slot was left, or the operator stopped the import
    bool Stopped = false; // the operator stopped the import
    QString Refusal;      // why the file was not read at all, for the operator; empty when it was
};
Q_DECLARE_METATYPE(DEVICE_IMPORT_COUNTS)

class CDeviceWriteThread : public QThread
{
    Q_OBJECT

public:
    CDeviceWriteThread();
    ~CDeviceWriteThread() override;

    void SetPath(const QString& path);

    // Hands the rows of the file to `take` one at a time until it returns false; `total` gets the number of
    // rows. The chosen file alone is read, through a private copy (CPrivateCopy): nothing beside it is
    // opened, nothing is created or changed there. False when the file cannot be copied (not a regular file,
    // a link, too large, too slow, `stop` said so: `refusal` says why) or is no database, or its TInfo_Device
    // is no table (a view could compute any number of rows) or lacks one of the columns. A row with a value
    // longer than any field holds comes with TooLong and nothing else.
    struct IMPORT_ROW
    {
        QString Address;
        QString Name;
        QString User;
        QString Password;
        QString Port;
        bool TooLong = false;
    };
    // The most bytes of a value read from the file (well above every field's own bound), and the longest
    // value the file's connection makes at all.
    static constexpr int kImportFieldBytes = 255;
    static constexpr int kImportValueLimit = 4096;
    // The largest file read (far above a station's whole database), and the longest its copy may take.
    static constexpr qint64 kImportFileBytes = qint64(256) << 20;
    static constexpr int kImportCopyMs = 30000;
    static bool ReadRows(const QString& path, const std::function<bool(const IMPORT_ROW&)>& take, int* total,
                         QString* refusal = nullptr, const std::function<bool()>& stop = {});

Q_SIGNALS:
    // Whether the file could be read, and what became of its rows (queued to the page, counts first).
    void SendImportCounts(DEVICE_IMPORT_COUNTS counts);
    void SendWriteOver(bool ok);

protected:
    void run() override;

private:
    QString m_dbPath;
};
