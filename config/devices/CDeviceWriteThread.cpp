#include "config/devices/CDeviceWriteThread.h"

#include "config/devices/DeviceFields.h"
#include "model/DbAccess.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "model/Utility.h"
#include "platform/PrivateCopy.h"

#include <QDebug>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <cstring>

#include <sys/stat.h>

namespace {

QString CopyRefusalText(const QString& path, const CPrivateCopy& copy)
{
    switch (copy.Refusal()) {
    case CPrivateCopy::REFUSAL_NOT_A_FILE:
        return CDeviceWriteThread::tr("%1 is %2: only a regular file is read.")
            .arg(path, FileKindText(copy.Found()));
    case CPrivateCopy::REFUSAL_TOO_LARGE:
        return CDeviceWriteThread::tr("%1 is larger than %2 MiB: no device database is that large.")
            .arg(path)
            .arg(CDeviceWriteThread::kImportFileBytes >> 20);
    case CPrivateCopy::REFUSAL_TOO_SLOW:
        return CDeviceWriteThread::tr("%1 could not be read within %2 seconds.")
            .arg(path)
            .arg(CDeviceWriteThread::kImportCopyMs / 1000);
    case CPrivateCopy::REFUSAL_STOPPED:
        return CDeviceWriteThread::tr("The import was stopped before the file was read.");
    case CPrivateCopy::REFUSAL_NO_ANSWER:
        return CDeviceWriteThread::tr("The folder %1 does not answer: %2 was not read.")
            .arg(copy.Volume(), path);
    case CPrivateCopy::REFUSAL_UNTOUCHABLE:
        return CDeviceWriteThread::tr(
                   "%1 is this station's own database, which the import does not read: choose a database of "
                   "another station, or a copy.")
            .arg(path);
    default:
        return CDeviceWriteThread::tr("%1 cannot be read: %2.")
            .arg(path, QString::fromLocal8Bit(std::strerror(copy.Error())));
    }
}

// The station's own database and its companions: the station holds locks on them, which the close of any
// other descriptor of them would end (the system ends them all at any close), so the import never opens
// them. Asked on the volume's thread: it owns the names it looks at.
CPrivateCopy::Untouchable StationDatabase()
{
    const QByteArray path = QFile::encodeName(GetAbsolutePath(QStringLiteral("Varrow.db")));
    return [path](dev_t device, ino_t inode) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            struct stat info = {};
            if (::stat((path + suffix).constData(), &info) == 0 && info.st_dev == device &&
                info.st_ino == inode)
                return true;
        }
        return false;
    };
}

} // namespace

CDeviceWriteThread::CDeviceWriteThread()
{
    qRegisterMetaType<DEVICE_IMPORT_COUNTS>("DEVICE_IMPORT_COUNTS");
}

CDeviceWriteThread::~CDeviceWriteThread()
{
    wait();
}

void CDeviceWriteThread::SetPath(const QString& path)
{
    m_dbPath = path;
}

bool CDeviceWriteThread::ReadRows(const QString& path, const std::function<bool(const IMPORT_ROW&)>& take,
                                  int* total, QString* refusal, const std::function<bool()>& stop)
{
    // SQLite opens the journal and the write-ahead log beside the file it reads, by name, before it reads:
    // whatever another user put there (a named pipe waits for ever) would hold or feed the import. The copy
    // stands alone in a folder of its own, and is opened immutable, so that not even there is anything
    // beside it looked for.
    const CPrivateCopy copy = CPrivateCopy::Make(path, QStringLiteral("import.db"), kImportFileBytes,
                                                 kImportCopyMs, stop, StationDatabase());
    if (!copy.IsMade()) {
        qDebug() << "device import: no copy of" << path << copy.Refusal() << copy.Error();
        if (refusal != nullptr)
            *refusal = CopyRefusalText(path, copy);
        return false;
    }
    try {
        CSQLite3DB file;
        const QByteArray uri = "file:" + QUrl::toPercentEncoding(copy.Path(), "/") + "?immutable=1";
        file.Open(uri.toStdString(), CSQLite3DB::ReadOnlyOpenFlags | SQLITE_OPEN_URI);
        // A value the file computes (a generated column) or stores may be of any length: SQLite refuses
        // to make one longer than this, so a small file cannot make this thread allocate without bound.
        file.SetLimit(SQLITE_LIMIT_LENGTH, kImportValueLimit);
        CSQLite3Recordset rs;
        if (!file.Query("SELECT type FROM sqlite_master WHERE name = 'TInfo_Device' COLLATE NOCASE", rs) ||
            rs.IsEof() || rs.GetString(0) != "table")
            return false;
        rs.Close();
        if (!file.Query("SELECT COUNT(*) FROM TInfo_Device", rs))
            return false;
        *total = rs.GetInt(0);
        rs.Close();
        // Each field is read up to one byte past what any field holds, so a longer value is refused from
        // that byte on, never read whole. Blanks around a value count: the dialog trims them, but a value
        // padded beyond the bound is no device.
        const std::string cap = std::to_string(kImportFieldBytes + 1);
        const std::string select =
            "SELECT substr(CAST(Address AS BLOB), 1, " + cap + "), substr(CAST(Name AS BLOB), 1, " + cap +
            "), substr(CAST(UserName AS BLOB), 1, " + cap + "), substr(CAST(UserPwd AS BLOB), 1, " + cap +
            "), substr(CAST(Port AS BLOB), 1, " + cap + ") FROM TInfo_Device WHERE rowid = ?";
        // A missing column fails here, before any row is handed on.
        CSQLite3Recordset row;
        if (!file.Query(select, row, {0}))
            return false;
        row.Close();
        // The rows one at a time by their rowid: a row whose value is too long to make fails alone.
        CSQLite3Recordset ids;
        if (!file.Query("SELECT rowid FROM TInfo_Device", ids))
            return false;
        for (; !ids.IsEof(); ids.Next()) {
            IMPORT_ROW imported;
            try {
                if (!file.Query(select, row, {ids.GetInt64(0)}) || row.IsEof())
                    continue;
                QString* fields[] = {&imported.Address, &imported.Name, &imported.User, &imported.Password,
                                     &imported.Port};
                for (int i = 0; i < 5; ++i) {
                    const std::string value = row.GetString(i);
                    imported.TooLong |= value.size() > size_t(kImportFieldBytes);
                    *fields[i] = LocalToQString(value.c_str());
                }
                row.Close();
            } catch (const CSQlite3Error& e) {
                if ((e.Code() & 0xff) != SQLITE_TOOBIG)
                    throw;
                row.Close();
                imported = IMPORT_ROW();
                imported.TooLong = true;
            }
            if (!take(imported))
                break;
        }
        return true;
    } catch (const std::exception& e) {
        qDebug() << "device import: cannot read" << path << e.what();
    }
    return false;
}

void CDeviceWriteThread::run()
{
    DEVICE_IMPORT_COUNTS counts;
    int total = 0;
    const auto take = [&counts, this](const IMPORT_ROW& row) {
        // Between rows only: a login under way ends by its own time-out.
        if (isInterruptionRequested()) {
            counts.Stopped = true;
            return false;
        }
        if (g_pSysInfoManage->GetFreeDeviceIndex() < 0)
            return false;
        ++counts.Rows;
        if (row.TooLong) {
            ++counts.Skipped;
            return true;
        }
        DEVICE_FIELDS fields;
        // Blanks around a text count as the dialog counts them; the password is taken as stored.
        fields.Name = row.Name.trimmed();
        fields.Address = row.Address.trimmed();
        fields.User = row.User.trimmed();
        fields.Password = row.Password;
        fields.Port = DeviceFields::ParsePort(row.Port);
        fields.ConnectMode = 0;
        if (!DeviceFields::Check(fields).IsOk()) {
            ++counts.Skipped;
            return true;
        }
        const int flow = -1;
        const int result = g_pSysInfoManage->AddDevice(fields.Address.toLatin1().constData(), fields.Port,
                                                       QStringToLocal(fields.User).constData(),
                                                       QStringToLocal(fields.Password).constData(), &flow,
                                                       QStringToLocal(fields.Name).constData(), "", 0);
        if (result == ADD_DEVICE_OK)
            ++counts.Added;
        else
            ++counts.Refused;
        return true;
    };
    const bool ok =
        ReadRows(m_dbPath, take, &total, &counts.Refusal, [this] { return isInterruptionRequested(); });
    counts.Left = ok ? std::max(0, total - counts.Rows) : 0;
    // A stop asked for during the last row's login finds no next row to refuse, yet the operator stopped the
    // run and must be told that it stopped, with nothing left.
    counts.Stopped = counts.Stopped || isInterruptionRequested();
    Q_EMIT SendImportCounts(counts);
    Q_EMIT SendWriteOver(ok);
}
